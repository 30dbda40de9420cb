#pragma once

#include <optional>
#include <string>

#include "format/header_reader.h"
#include "format/recorded_minutes.h"

namespace korvel {

// What Open and Close File need from the person at the screen. The Qt shell answers with
// dialogs and message boxes; tools and tests answer directly, so the commands run unchanged
// without a window.
class UserInteraction {
  public:
    virtual ~UserInteraction() = default;

    // Asks for a data file: its full path and its file title (the name without its folder).
    // Returns false when the user cancels.
    virtual bool choose_file(std::string& path, std::string& file_title) = 0;

    // Told just before the start time is asked: the minutes the chosen recording holds records
    // in, from its index (none when that cannot be read), so the question can name them.
    virtual void note_recorded_minutes(const std::optional<RecordedMinutes>& minutes) {
        (void)minutes;
    }

    // Asks for the time of day at which playback begins. Returns false when the user closes
    // the dialog any way other than OK.
    virtual bool choose_start_time(int& hour, int& minute, int& second) = 0;

    // A message with an OK button; the program goes on afterwards.
    virtual void show_message(const std::string& text) = 0;

    // A file error that ends the command but not the program (a box with a stop icon).
    virtual void report_file_error(const std::string& text) = 0;

    // Enters a file that has been opened into the list of recently used files.
    virtual void add_recent_file(const std::string& path) = 0;

    virtual void set_title(const std::string& text) = 0;  // the main window's title
    virtual void repaint_views() = 0;                     // every view draws itself afresh
    virtual CivilDate local_today() = 0;                  // today's date in local time
};

}  // namespace korvel
