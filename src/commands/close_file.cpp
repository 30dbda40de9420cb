#include "commands/close_file.h"

#include "commands/window_title.h"

namespace korvel {

void close_file(PlaybackSession& session, Document& doc, UserInteraction& ui) {
    if (session.open_document != nullptr) {
        session.data_file.reset();
        doc.m_pContext = nullptr;  // the document must not keep a reference to freed state
        session.decode_context.reset();
        ui.repaint_views();
        doc.m_newFile = 1;
        session.open_document = nullptr;
        session.follow.opening = OpenWait::none;  // an Open that waited is given up
    }
    ui.set_title(window_title("", ui.local_today()));
}

}  // namespace korvel
