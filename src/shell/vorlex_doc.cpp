#include "shell/vorlex_doc.h"

#include "shell/shell_texts.h"

namespace korvel {

void CVorlex_2Doc::new_document() {
    doc_.path_name.clear();
    doc_.title = texts::kNewDocumentTitle;
}

}  // namespace korvel
