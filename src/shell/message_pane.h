#pragma once

#include <QString>
#include <cstdint>

namespace korvel {

// What the status bar's message pane says. The pane has one text at a time; which one follows
// from what last happened, so every text is made here from its facts.
enum class PaneState {
    idle,                  // "Bereit"
    end_of_file,           // both cameras read the whole file
    waiting_for_data,      // they read all there is of a file still being written
    file_shrank,           // the file is now shorter than what was already read of it
    waiting_for_header,    // Open waits for a recording still being created: its header,
    waiting_for_index,     // its index file,
    waiting_for_start,     // or its start time's minute
    ends_before_start,     // read to its end, the recording never reached the start time
    new_document,          // Ctrl+N emptied the document's path: nothing plays
    overview_needs_file,   // Overview asked for with no file open
    overview_no_recording  // Overview asked for after Ctrl+N
};

struct PaneMessage {
    PaneState state = PaneState::idle;
    uint64_t file_length = 0;  // file_shrank: the length measured now
    uint64_t read_to = 0;      // file_shrank: how far the cameras had read

    bool operator==(const PaneMessage&) const = default;
};

QString pane_text(const PaneMessage& message);

}  // namespace korvel
