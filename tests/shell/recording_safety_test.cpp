// The viewer never destroys the recording it shows and never ends the program on a slip: Save
// picture and Print refuse the open files, a file cut under the readers is named as such, a
// vanished file is only reported, and names that are not UTF-8 open.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <chrono>
#include <filesystem>
#include <stdexcept>

#include "common/fatal_error.h"
#include "display/qt/playback_controller.h"
#include "display/qt/vorlex_view.h"
#include "format/index_file.h"
#include "shell/command_ids.h"
#include "shell/command_line.h"
#include "shell/display_text.h"
#include "shell/recent_files.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

// Whether the file holds more than its first bytes and begins with these four.
bool begins(const std::string& path, const std::string& first) {
    const std::vector<uint8_t> bytes = read_file(path);
    return bytes.size() > 8 && std::string(bytes.begin(), bytes.begin() + 4) == first;
}
bool is_png(const std::string& path) { return begins(path, "\x89PNG"); }

TEST_F(ShellTest, SaveAndPrintRefuseTheOpenRecordingAndAskAgain) {
    const std::string ab = make_recording("study.ab", 3);
    const std::string abh = index_file_path(ab);
    ASSERT_EQ(::symlink(ab.c_str(), dir.file("link.png").c_str()), 0);
    ASSERT_EQ(::link(abh.c_str(), dir.file("hard.png").c_str()), 0);
    open_through_menu(ab, QTime(12, 0, 0));
    ASSERT_NE(session().open_document, nullptr);
    const std::vector<uint8_t> ab_bytes = read_file(ab), abh_bytes = read_file(abh);
    const struct {
        bool print;
        std::string refused;  // the name typed first
    } cases[] = {{false, ab},
                 {false, abh},
                 {false, dir.path() + "/./study.ab"},
                 {false, dir.file("link.png")},
                 {false, dir.file("hard.png")},
                 {true, ab},
                 {true, dir.file("hard.png")}};
    for (const auto& c : cases) {
        const std::string other =
            dir.file("other" + std::to_string(&c - cases) + (c.print ? ".pdf" : ".png"));
        runner.shown.clear();
        if (c.print) {
            runner.print_file = QString::fromStdString(c.refused);
            frame().action(ID_FILE_PRINT)->trigger();  // comes back, then is cancelled
        } else {
            runner.file_answers = {QString::fromStdString(c.refused),
                                   QString::fromStdString(other)};
            frame().action(ID_FILE_SAVE_PICTURE)->trigger();
            EXPECT_TRUE(is_png(other)) << c.refused;  // the second name is written
        }
        ASSERT_EQ(runner.shown.size(), 3u) << c.refused;  // dialog, refusal, dialog again
        const QString name = QFileInfo(QString::fromStdString(c.refused)).fileName();
        EXPECT_TRUE(runner.shown[1].text.contains(name)) << c.refused;
        EXPECT_TRUE(runner.shown[1].text.contains("not written over it")) << c.refused;
        EXPECT_EQ(read_file(ab), ab_bytes) << c.refused;
        EXPECT_EQ(read_file(abh), abh_bytes) << c.refused;
    }
    // A PDF of another name is written.
    runner.print_file = QString::fromStdString(dir.file("picture.pdf"));
    frame().action(ID_FILE_PRINT)->trigger();
    EXPECT_TRUE(begins(dir.file("picture.pdf"), "%PDF"));
}

TEST_F(ShellTest, APictureReplacesItsTargetByRenameOnly) {
    // A second name of the old picture keeps the old bytes: the new one went into a file of
    // its own, renamed over the target, never written into the old file.
    const std::string target = dir.file("old.png"), twin = dir.file("twin.png");
    write_text_file(target, "old picture");
    ASSERT_EQ(::link(target.c_str(), twin.c_str()), 0);
    QString error;
    ASSERT_TRUE(frame().save_picture(target, error)) << error.toStdString();
    EXPECT_TRUE(is_png(target));
    EXPECT_EQ(read_file(twin),
              std::vector<uint8_t>({'o', 'l', 'd', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'}));
    // A directory that does not exist: the reason is told.
    EXPECT_FALSE(frame().save_picture(dir.file("none/x.png"), error));
    EXPECT_FALSE(error.isEmpty());
    // Through the menu, replacing an existing picture is asked before it is written.
    write_text_file(target, "old picture");
    runner.file_answers = {QString::fromStdString(target), QString::fromStdString(twin)};
    frame().action(ID_FILE_SAVE_PICTURE)->trigger();
    ASSERT_EQ(runner.shown.size(), 2u);  // the dialog, then "replace?" answered yes; no refusal
    EXPECT_TRUE(runner.shown[1].text.contains("already exists"));
    EXPECT_TRUE(is_png(target));
    EXPECT_FALSE(is_png(twin));  // the second name never asked for
}

// A picture's target is checked against the files held open (not their names now) and
// against every recording's name, before anything else is asked and as a warning.
TEST_F(ShellTest, APictureIsRefusedOverTheOpenFilesAndRecordingNamesFirstAndAsAWarning) {
    // Each case opens a name (a hard link to study.ab made first when it is another), changes
    // the folder while the file is open, and types a name that must be refused.
    const struct {
        const char* opened;
        std::vector<std::pair<const char*, const char*>> renamed;  // while open
        const char* typed;
    } cases[] = {
        {"study.ab", {{"study.ab", "moved.png"}, {"study.abh", "moved.abh"}}, "moved.png"},
        {"study.ab", {{"study.abh", "index.png"}}, "index.png"},  // the index renamed
        {"hard.ab", {}, "study.abh"},                             // a hard-linked recording's index
        {"study.ab", {{"study.abh", "notes.ab"}}, "notes.ab"},    // a recording's name
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const std::string ab = make_recording("study.ab", 3), opened = dir.file(c.opened);
        ASSERT_TRUE(opened == ab || ::link(ab.c_str(), opened.c_str()) == 0);
        open_through_menu(opened, QTime(12, 0, 0));
        ASSERT_NE(session().open_document, nullptr);
        for (const auto& [from, to] : c.renamed)
            std::filesystem::rename(dir.file(from), dir.file(to));
        const std::string refused = dir.file(c.typed), other = dir.file("other.png");
        const std::vector<uint8_t> before = read_file(refused);
        runner.shown.clear();
        runner.qt_confirms = false;  // the Open dialog's does not count
        runner.file_answers = {QString::fromStdString(refused), QString::fromStdString(other)};
        frame().action(ID_FILE_SAVE_PICTURE)->trigger();
        EXPECT_EQ(read_file(refused), before);
        EXPECT_TRUE(is_png(other));
        ASSERT_EQ(runner.shown.size(), 3u);  // dialog, refusal, dialog again
        EXPECT_TRUE(runner.shown[1].text.contains("not written over it"));
        EXPECT_EQ(runner.shown[1].icon, QMessageBox::Warning);
        EXPECT_FALSE(runner.qt_confirms);
        frame().action(ID_FILE_CLOSE_DATA)->trigger();
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove(entry);
    }
}

TEST_F(ShellTest, AFileCutBelowTheReadPositionIsToldWithBothLengths) {
    const std::string ab = make_recording("cut.ab", 20);
    open_through_menu(ab, QTime(12, 0, 0));
    frame().action(ID_PLAY_START)->trigger();
    for (int i = 0; i < 20; ++i) frame().playback()->run_tick();
    const uint64_t read_to = std::max(session().pos_a, session().pos_b);
    ASSERT_GT(read_to, 1000u);
    ASSERT_EQ(::truncate(ab.c_str(), 500), 0);
    frame().playback()->run_tick();
    EXPECT_EQ(
        frame().message_pane()->text(),
        QString("The file shrank to 500 bytes, below the %1 bytes already read.").arg(read_to));
    EXPECT_EQ(app->exit_status(), 0);
}

// Root reads a file whatever its mode: for root, a link to a file of the kernel's that nobody
// may read stands in for a recording without read permission.
bool make_unreadable(const std::string& path) {
    if (::chmod(path.c_str(), 0) != 0) return false;
    const int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0) return true;
    ::close(fd);
    const char* unreadable = "/proc/sys/vm/drop_caches";  // mode 0200, even for root
    return ::access(unreadable, F_OK) == 0 && ::unlink(path.c_str()) == 0 &&
           ::symlink(unreadable, path.c_str()) == 0;
}

// Gone or unreadable, a file is told before the Start Time dialog, and the program goes on.
TEST_F(ShellTest, AVanishedFileIsReportedNotFatal) {
    const struct {
        const char* name;
        std::function<bool(const std::string&)> spoil;
        const char* says;
    } ways[] = {
        {"gone.ab", [](const std::string& p) { return ::unlink(p.c_str()) == 0; },
         "no longer exists"},
        {"locked.ab", make_unreadable, "cannot be opened for reading (Permission denied)"},
    };
    for (const auto& way : ways) {
        const std::string ab = make_recording(way.name, 3);
        open_through_menu(ab, QTime(12, 0, 0));
        frame().action(ID_FILE_CLOSE_DATA)->trigger();
        const qsizetype entries = frame().recent_actions().size();
        ASSERT_GE(entries, 1);
        ASSERT_TRUE(way.spoil(ab)) << way.name;
        const struct {
            const char* how;
            std::function<void()> open;
            qsizetype recent_after;
        } cases[] = {
            {"dropped", [&] { app->open_existing(ab); }, entries},
            {"overview", [&] { app->reopen_at(QByteArray::fromStdString(ab), 721); }, entries},
            {"recent", [&] { frame().recent_actions().first()->trigger(); }, entries - 1},
        };
        for (const auto& c : cases) {
            runner.shown.clear();
            c.open();
            ASSERT_EQ(runner.shown.size(), 1u) << c.how;  // no Start Time dialog
            EXPECT_TRUE(runner.shown[0].text.startsWith(QString::fromStdString(ab))) << c.how;
            EXPECT_TRUE(runner.shown[0].text.contains(way.says)) << c.how;
            EXPECT_EQ(session().open_document, nullptr) << c.how;
            EXPECT_EQ(app->exit_status(), 0) << c.how;
            EXPECT_EQ(frame().recent_actions().size(), c.recent_after) << c.how;
        }
    }
    // A directory named .ab is no recording either.
    ASSERT_EQ(::mkdir(dir.file("folder.ab").c_str(), 0700), 0);
    runner.shown.clear();
    app->open_existing(dir.file("folder.ab"));
    EXPECT_EQ(runner.shown.size(), 1u);
    EXPECT_EQ(app->exit_status(), 0);
}

TEST_F(ShellTest, OnlyAnOpenThatSucceededEntersTheRecentList) {
    const std::string broken = dir.file("broken.ab");
    write_text_file(broken, "PL");  // too short for a header: Open fails, fatally
    const std::vector<std::string> before = RecentFiles().files();
    const qsizetype entries = frame().recent_actions().size();
    // Open waits for a header still being written until the file has kept its length for
    // the grace time.
    session().follow.watch.set_grace(std::chrono::milliseconds(300));
    app->open_existing(broken);
    QTRY_COMPARE_WITH_TIMEOUT(app->exit_status(), 1, 20000);
    EXPECT_EQ(frame().recent_actions().size(), entries);
    EXPECT_EQ(RecentFiles().files(), before);
}

TEST_F(ShellTest, NamesThatAreNotUtf8KeepTheirBytes) {
    const std::string name = dir.file("caf\xE9.ab");
    const std::string made = make_recording("cafe.ab", 3);
    ASSERT_EQ(::rename(made.c_str(), name.c_str()), 0);
    ASSERT_EQ(::rename(index_file_path(made).c_str(), index_file_path(name).c_str()), 0);

    // The command line, a drop and the file dialog's text all give back the bytes.
    std::string arg0 = "korvel", arg1 = name;
    char* argv[] = {arg0.data(), arg1.data(), nullptr};
    EXPECT_EQ(parse_command_line(2, argv).data_path, name);
    const QUrl url =
        QUrl::fromEncoded("file://" + QByteArray::fromStdString(name).toPercentEncoding("/"));
    EXPECT_EQ(dropped_recording({url}), name);
    EXPECT_EQ(path_bytes(QFile::decodeName(name.c_str())), name);
    EXPECT_EQ(display_text(name), QString::fromStdString(dir.file("caf\\xE9.ab")));

    // Opened by its bytes, it enters the recent list as those bytes, and opens from there.
    app->open_existing(name);
    ASSERT_NE(session().open_document, nullptr) << runner.shown.back().text.toStdString();
    ASSERT_FALSE(RecentFiles().files().empty());
    EXPECT_EQ(RecentFiles().files().front(), name);
    frame().action(ID_FILE_CLOSE_DATA)->trigger();
    frame().recent_actions().first()->trigger();
    EXPECT_NE(session().open_document, nullptr);
    EXPECT_EQ(app->exit_status(), 0);
}

// The data file as the playback reads it, made to fail on demand.
class FailingSource : public ByteSource {
  public:
    explicit FailingSource(std::unique_ptr<ByteSource> real) : real_(std::move(real)) {}
    size_t read_at(uint64_t offset, uint8_t* dst, size_t n) override {
        if (fail_reads) throw std::runtime_error("not a FatalError");
        return real_->read_at(offset, dst, n);
    }
    uint64_t length() override {
        if (fail_length) throw FatalError("the file could not be measured");
        return real_->length();
    }
    bool fail_reads = false;
    bool fail_length = false;

  private:
    std::unique_ptr<ByteSource> real_;
};

TEST_F(ShellTest, ExceptionsOfAStepLeaveTheTickUsableOrReachTheFatalPath) {
    open_through_menu(make_recording("fail.ab", 10), QTime(12, 0, 0));
    auto failing = std::make_unique<FailingSource>(std::move(session().data_file));
    FailingSource* source = failing.get();
    session().data_file = std::move(failing);
    frame().action(ID_PLAY_START)->trigger();

    source->fail_reads = true;
    EXPECT_THROW(frame().playback()->run_tick(), std::runtime_error);
    source->fail_reads = false;
    QSignalSpy stepped(frame().playback(), &PlaybackController::stepped);
    frame().playback()->run_tick();  // the guard of the failed tick is gone
    EXPECT_EQ(stepped.count(), 1);

    source->fail_length = true;
    frame().update_position();  // the position field measures the file
    EXPECT_EQ(app->exit_status(), 1);
    ASSERT_FALSE(runner.shown.empty());
    EXPECT_EQ(runner.shown.back().text, "the file could not be measured");
}

}  // namespace
}  // namespace korvel::test
