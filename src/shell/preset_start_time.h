#pragma once

#include "commands/user_interaction.h"

namespace korvel {

// Answers Open's Start Time question with a time chosen beforehand (a minute clicked in the
// overview) and passes everything else to the dialogs of the main window.
class PresetStartTime : public UserInteraction {
  public:
    PresetStartTime(UserInteraction& dialogs, int hour, int minute, int second)
        : dialogs_(dialogs), hour_(hour), minute_(minute), second_(second) {}

    bool choose_file(std::string& path, std::string& title) override {
        return dialogs_.choose_file(path, title);
    }
    bool choose_start_time(int& hour, int& minute, int& second) override {
        hour = hour_;
        minute = minute_;
        second = second_;
        return true;
    }
    void show_message(const std::string& text) override { dialogs_.show_message(text); }
    void report_file_error(const std::string& text) override { dialogs_.report_file_error(text); }
    void add_recent_file(const std::string& path) override { dialogs_.add_recent_file(path); }
    void set_title(const std::string& text) override { dialogs_.set_title(text); }
    void repaint_views() override { dialogs_.repaint_views(); }
    CivilDate local_today() override { return dialogs_.local_today(); }

  private:
    UserInteraction& dialogs_;
    int hour_, minute_, second_;
};

}  // namespace korvel
