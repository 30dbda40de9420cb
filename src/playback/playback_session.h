#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "decode/decode_context.h"
#include "input/byte_source.h"
#include "input/raw_record.h"
#include "playback/document.h"

namespace korvel {

inline constexpr int kMinutesPerTable = 1442;  // minutes of the day, plus two spare entries

// The process-wide playback state: which file is open, where each camera's reader stands,
// what the header said, when playback begins, the running totals and the view flags.
// A plain record: Open/Close File fill and empty it, the playback step moves its read
// positions and totals, commands set its flags. Members hold their values at process start.
struct PlaybackSession {
    Document* open_document = nullptr;  // none: no file is open
    std::unique_ptr<ByteSource> data_file;
    std::unique_ptr<ByteSource> index_file;
    std::unique_ptr<DecodeContext> decode_context;
    int16_t header_version = 0;
    double line_rate = 0.0;
    int16_t line_width = 0;
    int32_t start_seconds = 0;
    double start_line = 0.0;
    std::array<uint32_t, kMinutesPerTable> minute_pos_a{};
    std::array<uint32_t, kMinutesPerTable> minute_pos_b{};
    uint32_t pos_a = 0;
    uint32_t pos_b = 0;
    double total_lines_a = 0.0;  // never reset: counts on across files
    double total_lines_b = 0.0;
    int32_t async_view = 0;  // start-up selects the asynchronous view (see apply_start_up)
    int32_t sync_view = 0;
    int16_t view_switch = 2;
    int32_t playback_running = 0;
    std::string cmd_line_path;
    std::string work_dir;  // start-up directory, where CORRFACT.DAT is looked for
    RawRecord record;      // the readers' one payload buffer, shared by both cameras
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
