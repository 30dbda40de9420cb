#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "format/index_file.h"
#include "format/raw_record.h"
#include "io/byte_source.h"
#include "io/file_opener.h"
#include "particles/decode_context.h"
#include "playback/document.h"
#include "playback/follow_state.h"
#include "playback/view_switch.h"

namespace korvel {

class DecodeAhead;

// The process-wide playback state: which file is open, where each camera's reader stands and
// how far its lines have come, what the header said, when playback begins, the running totals and the view flags.
// A plain record: Open/Close File fill and empty it, the playback step moves its read
// positions and totals, commands set its flags. Members hold their values at process start.
struct PlaybackSession {
    Document* open_document = nullptr;  // none: no file is open
    // The opener the open data file came through; the correction file is read through it too,
    // so a session over files held in memory never touches the disk. Not owned.
    FileOpener* file_opener = nullptr;
    std::unique_ptr<ByteSource> data_file;
    std::unique_ptr<ByteSource> index_file;
    std::unique_ptr<DecodeContext> decode_context;
    int16_t header_version = 0;
    double line_rate = 0.0;
    int16_t line_width = 0;
    int32_t start_seconds = 0;
    double start_line = 0.0;
    MinuteTable minute_pos_a{};
    MinuteTable minute_pos_b{};
    uint32_t pos_a = 0;
    uint32_t pos_b = 0;
    // The newest line of each camera's last record decoded: camera B reads on while its line
    // lies below camera A's. A fresh start sets both to 0.
    double m_lastLineA = 0.0;
    double m_lastLineB = 0.0;
    double total_lines_a = 0.0;  // never reset: counts on across files
    double total_lines_b = 0.0;
    int32_t async_view = 0;  // start-up selects the asynchronous view (see apply_start_up)
    int32_t sync_view = 0;
    int16_t view_switch = kViewSwitchToAsync;  // see view_switch.h
    int32_t playback_running = 0;
    std::string cmd_line_path;
    std::string work_dir;  // start-up directory, where CORRFACT.DAT is looked for
    RawRecord record;      // the readers' one payload buffer, shared by both cameras
    FollowState follow;    // how a growing recording is read; a step waiting for data
    // Decodes the data file's records ahead of the steps on a thread of its own; null: each
    // step reads and decodes them itself. Not owned: whoever sets it keeps it alive while
    // the steps run.
    DecodeAhead* decode_ahead = nullptr;
};

// What start-up does to the session: capture the start-up directory, select the
// asynchronous view, and note a data file named on the command line.
inline void apply_start_up(PlaybackSession& session, std::string work_dir,
                           std::string cmd_line_path) {
    session.work_dir = std::move(work_dir);
    session.async_view = 1;
    session.sync_view = 0;
    session.cmd_line_path = std::move(cmd_line_path);
}

}  // namespace korvel
