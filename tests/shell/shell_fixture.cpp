#include "shell_fixture.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include "io/disk_file_opener.h"
#include "shell/about_dlg.h"
#include "shell/command_ids.h"
#include "shell/command_line.h"
#include "shell/start_time_dlg.h"
#include "support/replay_runner.h"

namespace korvel::test {

int ScriptedRunner::run(QDialog& dialog, const QString& text) {
    shown.push_back({dialog.metaObject()->className(), text, running ? *running : -1});
    if (auto* box = qobject_cast<QMessageBox*>(&dialog)) shown.back().icon = box->icon();
    if (auto* start = qobject_cast<CStartTimeDlg*>(&dialog)) {
        start_hint = start->hint()->text();
        if (typed.isEmpty()) {
            start->time_edit()->setTime(start_time);
            return accept_start_time ? QDialog::Accepted : QDialog::Rejected;
        }
        QTimer::singleShot(0, start, [this, start] {  // once it shows
            QTest::keyClicks(start->time_edit(), typed);
            start->accept();
        });
        return start->exec();
    }
    if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
        qt_confirms |= !files->testOption(QFileDialog::DontConfirmOverwrite);
        QString answer = file_to_choose;
        if (!file_answers.empty()) {
            answer = file_answers.front();
            file_answers.erase(file_answers.begin());
        }
        if (answer.isEmpty()) return QDialog::Rejected;
        files->selectFile(answer);
        return QDialog::Accepted;
    }
    if (auto* print = qobject_cast<QPrintDialog*>(&dialog)) {
        if (print_file.isEmpty()) return QDialog::Rejected;
        print->printer()->setOutputFormat(QPrinter::PdfFormat);
        print->printer()->setOutputFileName(print_file);
        print_file.clear();  // one answer: shown again, the dialog is cancelled
        return QDialog::Accepted;
    }
    if (qobject_cast<CAboutDlg*>(&dialog)) {
        return accept_about ? QDialog::Accepted : QDialog::Rejected;
    }
    return QDialog::Accepted;
}

void ShellTest::SetUp() {
    DialogRunner::install(&runner);
    app = std::make_unique<CVorlex_2App>();
    runner.running = &app->session().playback_running;
    StartOptions options;
    options.show_splash = false;
    ASSERT_TRUE(app->InitInstance(options));
}

void ShellTest::TearDown() {
    app.reset();
    DialogRunner::install(nullptr);
}

void ShellTest::show_frame() {
    frame().show();
    QApplication::setActiveWindow(&frame());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&frame()));
}

std::string ShellTest::make_recording(const std::string& name, int seconds, int drops_per_second) {
    const std::string path = dir.file(name);
    std::vector<std::string> args{
        "--seed", "7", "--start", "12:00:00", "--duration", std::to_string(seconds), "-o", path};
    if (drops_per_second > 0) {
        args.insert(args.begin(), {"--drops-per-second", std::to_string(drops_per_second)});
    }
    const ProgramRun run = run_program(std::string(KORVEL_BIN_DIR) + "/tools/abgen/abgen", args);
    EXPECT_EQ(run.status, 0) << run.err;
    return path;
}

void ShellTest::open_through_menu(const std::string& path, QTime start) {
    runner.file_to_choose = QString::fromStdString(path);
    runner.start_time = start;
    frame().action(ID_FILE_OPEN_DATA)->trigger();
}

std::shared_ptr<const MinuteStatistics> day_statistics_of(const std::string& path,
                                                          const std::string& work_dir) {
    NoStop progress;
    DiskFileOpener opener;
    return compute_day_statistics(path, work_dir, opener, progress);
}

}  // namespace korvel::test
