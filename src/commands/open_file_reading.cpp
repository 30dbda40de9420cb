#include "commands/open_file_reading.h"

#include <cmath>
#include <string>

#include "commands/window_title.h"
#include "common/little_endian.h"
#include "format/header_reader.h"
#include "format/index_file.h"
#include "io/file_error_text.h"

namespace korvel {
namespace {

// The header record stands whole in the data file: its type, its length and as many payload
// bytes as the length says. A length that can never be read whole counts as whole, so that
// reading it raises its error at once.
bool header_whole(ByteSource& data, uint64_t length) {
    uint8_t head[4];
    if (data.read_at(0, head, sizeof head) != sizeof head) return false;
    const int16_t cmpr_n = load_i16(head + 2);
    return cmpr_n < 0 || length >= sizeof head + static_cast<uint64_t>(cmpr_n);
}

void read_header_record(PlaybackSession& session, const Document& doc, UserInteraction& ui) {
    const HeaderInfo header = read_header(*session.data_file, session.decode_context->header);
    session.header_version = header.header_version;
    session.line_rate = header.line_rate;
    session.line_width = header.line_width;
    session.start_line = std::floor(session.start_seconds * session.line_rate);
    ui.set_title(window_title(title_name(doc.path_name), header.date));
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

// Reads both tables. A writer rewrites the index in place while the recording grows, so a
// read may meet half an old and half a new index: while the recording may grow, the tables
// count only when a second read finds them the same.
bool read_tables(PlaybackSession& session, bool may_grow) {
    ByteSource& index = *session.index_file;
    if (may_grow && index.length() < 2 * kIndexTableBytes) return false;
    read_index_tables(index, session.minute_pos_a, session.minute_pos_b);
    if (!may_grow) return true;
    MinuteTable again_a{}, again_b{};
    read_index_tables(index, again_a, again_b);
    return again_a == session.minute_pos_a && again_b == session.minute_pos_b;
}

}  // namespace

void read_recording(PlaybackSession& session, Document& doc, UserInteraction& ui) {
    FollowState& follow = session.follow;
    ByteSource& data = *session.data_file;
    const uint64_t length = data.length();
    follow.watch.observe(length, follow.now());
    const bool may_grow = follow.may_grow();

    if (follow.opening == OpenWait::header) {
        if (may_grow && !header_whole(data, length)) return;
        read_header_record(session, doc, ui);
        follow.opening = OpenWait::index_file;
    }
    if (follow.opening == OpenWait::index_file) {
        const std::string index_path = index_file_path(doc.path_name);
        FileError error = FileError::none;
        session.index_file = session.file_opener->open_read_only(index_path, error);
        if (!session.index_file) {
            // An instrument creates the index beside its data file a moment later.
            if (may_grow && error == FileError::file_not_found) return;
            follow.opening = OpenWait::none;
            report_missing_index(session, doc, ui, error, index_path);
            return;
        }
        follow.opening = OpenWait::index_tables;
    }
    const size_t m = index_minute(session.start_line, session.line_rate);
    if (!read_tables(session, may_grow)) {
        follow.opening = OpenWait::index_tables;
        return;
    }
    // A minute the recording has not reached yet has no entry of its own: the readers would
    // start where the recording now ends and read every record written since.
    if (may_grow && !index_entry_settled(session.minute_pos_a, session.minute_pos_b, m)) {
        follow.opening = OpenWait::start_minute;
        return;
    }
    follow.opening = OpenWait::none;
    session.pos_a = session.minute_pos_a[m];
    session.pos_b = session.minute_pos_b[m];
    doc.m_newFile = 1;
}

}  // namespace korvel
