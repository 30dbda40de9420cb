#include "commands/open_file.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>

#include "commands/window_title.h"
#include "common/fatal_error.h"
#include "format/index_file.h"
#include "io/file_error_text.h"
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

// Without index tables playback begins at the start of the data file, as after program start,
// whatever an earlier file's playback left in the read positions.
void report_missing_index(PlaybackSession& session, Document& doc, UserInteraction& ui,
                          FileError error, const std::string& path) {
    session.pos_a = 0;
    session.pos_b = 0;
    doc.m_newFile = 1;
    ui.report_file_error(file_error_reason(error, path));
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

    const HeaderInfo header = read_header(*session.data_file, session.decode_context->header);
    session.header_version = header.header_version;
    session.line_rate = header.line_rate;
    session.line_width = header.line_width;
    session.start_line = std::floor(session.start_seconds * session.line_rate);

    ui.set_title(window_title(title_name(path), header.date));

    const std::string index_path = index_file_path(path);
    session.index_file = opener.open_read_only(index_path, error);
    if (!session.index_file) {
        report_missing_index(session, doc, ui, error, index_path);
        return;
    }
    const size_t m = index_minute(session.start_line, session.line_rate);
    read_index_tables(*session.index_file, session.minute_pos_a, session.minute_pos_b);
    session.pos_a = session.minute_pos_a[m];
    session.pos_b = session.minute_pos_b[m];
    doc.m_newFile = 1;
}

}  // namespace korvel
