#pragma once

#include <string>

#include "commands/user_interaction.h"

namespace korvel {

// Answers Open's questions without a window, for runs that name their file beforehand (the
// session's cmd_line_path): no file dialog, a start time fixed in advance, no title and no
// views. Messages are kept for the caller to report; an index file that can't be opened
// lands in file_error.
class HeadlessInteraction : public UserInteraction {
  public:
    HeadlessInteraction(int hour, int minute, int second)
        : hour_(hour), minute_(minute), second_(second) {}

    bool choose_file(std::string&, std::string&) override { return false; }
    bool choose_start_time(int& hour, int& minute, int& second) override {
        hour = hour_;
        minute = minute_;
        second = second_;
        return true;
    }
    void show_message(const std::string& text) override { message = text; }
    void report_file_error(const std::string& text) override { file_error = text; }
    void add_recent_file(const std::string&) override {}
    void set_title(const std::string&) override {}
    void repaint_views() override {}
    CivilDate local_today() override { return CivilDate{}; }

    std::string message;
    std::string file_error;

  private:
    int hour_, minute_, second_;
};

}  // namespace korvel
