// Save picture's target is checked before anything else is asked: against the files the viewer
// holds open (not their names now) and against every recording's name, with a warning.
#include <unistd.h>

#include <QAction>
#include <QMessageBox>
#include <filesystem>

#include "shell/command_ids.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

bool is_png(const std::string& path) {
    const std::vector<uint8_t> b = read_file(path);
    return b.size() > 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
}

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
        if (opened != ab) ASSERT_EQ(::link(ab.c_str(), opened.c_str()), 0);
        open_through_menu(opened, QTime(12, 0, 0));
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

TEST_F(ShellTest, ReplacingAnExistingPictureIsAskedBeforeItIsWritten) {
    const std::string old_png = dir.file("old.png"), fresh = dir.file("fresh.png");
    write_text_file(old_png, "old picture");
    runner.file_answers = {QString::fromStdString(old_png), QString::fromStdString(fresh)};
    frame().action(ID_FILE_SAVE_PICTURE)->trigger();
    ASSERT_EQ(runner.shown.size(), 2u);  // the dialog, then "replace?" answered yes; no refusal
    EXPECT_TRUE(runner.shown[1].text.contains("already exists"));
    EXPECT_TRUE(is_png(old_png));
    EXPECT_NE(::access(fresh.c_str(), F_OK), 0);  // never asked for
}

}  // namespace
}  // namespace korvel::test
