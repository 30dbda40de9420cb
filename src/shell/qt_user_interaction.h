#pragma once

#include <QString>

#include "commands/user_interaction.h"

class QWidget;

namespace korvel {

class CMainFrame;
class RecentFiles;

// The Open and Close File commands' questions and messages as dialogs of the main window:
// the file dialog, the Start Time dialog, message boxes captioned "KORVEL".
class QtUserInteraction : public UserInteraction {
  public:
    QtUserInteraction(CMainFrame& frame, RecentFiles& recent) : frame_(frame), recent_(recent) {}

    bool choose_file(std::string& path, std::string& file_title) override;
    void note_recorded_minutes(const std::optional<RecordedMinutes>& minutes) override {
        recorded_ = minutes;
    }
    bool choose_start_time(int& hour, int& minute, int& second) override;
    void show_message(const std::string& text) override;
    void report_file_error(const std::string& text) override;
    // Kept until Open has succeeded (commit_recent_file); an Open that fails adds nothing.
    void add_recent_file(const std::string& path) override;
    void commit_recent_file();
    void forget_recent_file() { pending_recent_.clear(); }
    void set_title(const std::string& text) override;
    void repaint_views() override;
    CivilDate local_today() override;

  private:
    CMainFrame& frame_;
    RecentFiles& recent_;
    std::string pending_recent_;
    std::optional<RecordedMinutes> recorded_;  // what the next Start Time dialog names
};

// A message box of the program: caption "KORVEL", the text as it is, one OK button; with a
// stop icon when stop is set. Runs through the current DialogRunner.
void show_korvel_message(QWidget* parent, const QString& text, bool stop = false);

}  // namespace korvel
