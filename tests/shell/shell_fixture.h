#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTime>
#include <memory>
#include <string>
#include <vector>

#include "shell/dialog_runner.h"
#include "shell/main_frame.h"
#include "shell/vorlex_app.h"
#include "statistics/day_statistics.h"
#include "statistics/minute_statistics.h"
#include "support/temp_dir.h"

namespace korvel::test {

// Stands in for the person at the screen: notes every dialog korvel opens (its class, its
// text, and whether playback was running at that moment) and answers it as told.
class ScriptedRunner : public DialogRunner {
  public:
    struct Shown {
        QString kind;  // the dialog's class name
        QString text;
        int playback_running = 0;
        int icon = -1;  // a message box's icon
    };
    int run(QDialog& dialog, const QString& text) override;

    std::vector<Shown> shown;
    QString file_to_choose;             // the file dialog's answer; empty: Cancel
    std::vector<QString> file_answers;  // answers taken first, one a file dialog shown
    QString print_file;                 // the print dialog's output file; empty: Cancel
    QTime start_time{0, 0, 0};          // the Start Time dialog's answer
    QString typed;       // if set, typed into the Start Time dialog instead, as a person types
    QString start_hint;  // what the last Start Time dialog said
    bool accept_start_time = true;
    bool accept_about = true;
    // Whether a file dialog would ask its own "replace?" question.
    bool qt_confirms = false;
    int* running = nullptr;  // the session's playback_running, read when a dialog shows
};

// The real application, started without a file and without the splash, on the offscreen
// platform.
class ShellTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    CMainFrame& frame() { return *app->frame(); }
    PlaybackSession& session() { return app->session(); }
    // Shows the main window and makes it the active one, so its accelerators work.
    void show_frame();
    // Writes an abgen recording of the given seconds of rain from 12:00:00; returns its path.
    std::string make_recording(const std::string& name, int seconds, int drops_per_second = 0);
    // Opens path through the menu's Open with the file dialog and a start time.
    void open_through_menu(const std::string& path, QTime start);

    TempDir dir;
    ScriptedRunner runner;
    std::unique_ptr<CVorlex_2App> app;
};

// A day statistics computation nobody stops.
class NoStop : public DayStatisticsProgress {
  public:
    bool keep_going(uint64_t, uint64_t) override { return true; }
};

// The day statistics of a recording, as the overview window computes them.
std::shared_ptr<const MinuteStatistics> day_statistics_of(const std::string& path,
                                                          const std::string& work_dir = "");

}  // namespace korvel::test
