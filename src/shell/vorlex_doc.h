#pragma once

#include "playback/document.h"

namespace korvel {

// The one document of the application. It holds the core document that Open, Close File and
// the playback step work on; the file itself is read through the playback session.
class CVorlex_2Doc {
  public:
    Document& core() { return doc_; }
    const Document& core() const { return doc_; }

    // The framework's new-document command (Ctrl+N): the document is set up afresh, its path
    // name emptied and its title the default one. The playback session is not touched, so the
    // timer runs no step until a file is opened again.
    void new_document();

  private:
    Document doc_;
};

}  // namespace korvel
