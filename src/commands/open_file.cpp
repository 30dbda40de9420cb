#include "commands/open_file.h"

#include <cstdio>
#include <memory>
#include <string>

#include "commands/open_file_reading.h"
#include "common/fatal_error.h"
#include "io/open_failure_text.h"

namespace korvel {
namespace {

// The message box that shows an open failure takes at most this many bytes.
constexpr size_t kOpenMessageLimit = 254;

int32_t picked_seconds(int hour, int minute, int second) {
    // The picker gives a time of day; wider values from elsewhere are wrapped, not overflowed,
    // and then rejected with the minute index.
    const int64_t seconds = int64_t{hour} * 3600 + int64_t{minute} * 60 + second;
    return static_cast<int32_t>(seconds);
}

}  // namespace

void open_file(PlaybackSession& session, Document& doc, UserInteraction& ui, FileOpener& opener) {
    if (session.open_document != nullptr) {
        ui.show_message("File already opened \nFirst close it !!!");
        return;
    }

    std::string path;
    std::string file_title;
    if (session.cmd_line_path.empty()) {
        if (!ui.choose_file(path, file_title)) return;
    } else {
        path = std::move(session.cmd_line_path);
        session.cmd_line_path.clear();
    }

    // Closing the dialog any other way than OK keeps the previous opening's start time.
    ui.note_recorded_minutes(read_recorded_minutes(opener, path));
    int hour = 0, minute = 0, second = 0;
    if (ui.choose_start_time(hour, minute, second)) {
        session.start_seconds = picked_seconds(hour, minute, second);
    }

    session.decode_context = std::make_unique<DecodeContext>();

    FileError error = FileError::none;
    std::unique_ptr<ByteSource> data = opener.open_read_only(path, error);
    if (!data) {
        throw FatalError(open_failure_text(error, path, std::string::npos, kOpenMessageLimit));
    }
    session.data_file = std::move(data);
    session.file_opener = &opener;

    // From here on a file counts as open.
    session.open_document = &doc;
    doc.path_name = path;
    ui.add_recent_file(path);
    doc.title = file_title;
    doc.m_pContext = session.decode_context.get();

    // The header, the title, the index and the read positions; a recording still being
    // created may make these wait (read_recording).
    session.follow.restart();  // a new file: nothing seen of it yet
    session.follow.opening = OpenWait::header;
    read_recording(session, doc, ui);
}

}  // namespace korvel
