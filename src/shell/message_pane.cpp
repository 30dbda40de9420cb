#include "shell/message_pane.h"

#include "shell/shell_texts.h"

namespace korvel {

QString pane_text(const PaneMessage& m) {
    switch (m.state) {
        case PaneState::idle:
            return texts::kIdle;
        case PaneState::end_of_file:
            return texts::kEndOfFile;
        case PaneState::waiting_for_data:
            return texts::kWaitingForData;
        case PaneState::file_shrank:
            return QStringLiteral("The file shrank to %1 bytes, below the %2 bytes already read.")
                .arg(m.file_length)
                .arg(m.read_to);
        case PaneState::waiting_for_header:
            return QStringLiteral("Waiting for the recording's header to be written ...");
        case PaneState::waiting_for_index:
            return QStringLiteral("Waiting for the recording's index file to be written ...");
        case PaneState::waiting_for_start:
            return QStringLiteral(
                "The recording has not reached the chosen start time yet: playback waits for "
                "it to grow ...");
        case PaneState::ends_before_start:
            return QStringLiteral("The recording ends before the chosen start time.");
        case PaneState::new_document:
            return texts::kNewDocumentPane;
        case PaneState::overview_needs_file:
            return texts::kNoFileForOverview;
        case PaneState::overview_no_recording:
            return texts::kNoRecordingForOverview;
    }
    return QString();
}

}  // namespace korvel
