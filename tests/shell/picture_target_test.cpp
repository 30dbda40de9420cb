// Save picture's target is checked before anything else is asked: against the files the viewer
// holds open (not their names now) and against every recording's name, with a warning.
#include <unistd.h>

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>

#include "format/index_file.h"
#include "shell/command_ids.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

// Notes what the scripted runner cannot see: a message box's icon, and whether the file
// dialog would ask its own "replace?" question before the name reaches the program.
class WatchingRunner : public ScriptedRunner {
  public:
    int run(QDialog& dialog, const QString& text) override {
        if (auto* box = qobject_cast<QMessageBox*>(&dialog)) icons.push_back(box->icon());
        if (auto* files = qobject_cast<QFileDialog*>(&dialog)) {
            qt_confirms |= !files->testOption(QFileDialog::DontConfirmOverwrite);
        }
        return ScriptedRunner::run(dialog, text);
    }
    std::vector<QMessageBox::Icon> icons;
    bool qt_confirms = false;
};

bool is_png(const std::string& path) {
    const std::vector<uint8_t> b = read_file(path);
    return b.size() > 8 && b[0] == 0x89 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G';
}

TEST_F(ShellTest, APictureIsRefusedOverTheOpenFilesAndRecordingNamesFirstAndAsAWarning) {
    // Each case opens a name (a hard link to study.ab made first when it is another), changes
    // the folder while the file is open, and types a name that must be refused.
    const struct {
        const char* what;
        const char* opened;
        std::vector<std::pair<const char*, const char*>> renamed;  // while open
        const char* typed;
    } cases[] = {
        {"recording renamed while open",
         "study.ab",
         {{"study.ab", "moved.png"}, {"study.abh", "moved.abh"}},
         "moved.png"},
        {"index renamed while open", "study.ab", {{"study.abh", "index.png"}}, "index.png"},
        {"index of a hard-linked recording", "hard.ab", {}, "study.abh"},
        {"a file with a recording's name", "study.ab", {{"study.abh", "notes.ab"}}, "notes.ab"},
    };
    WatchingRunner watching;
    for (const auto& c : cases) {
        const std::string ab = make_recording("study.ab", 3);
        const std::string opened = dir.file(c.opened);
        if (opened != ab) {
            ASSERT_EQ(::link(ab.c_str(), opened.c_str()), 0);
        }
        DialogRunner::install(&runner);
        open_through_menu(opened, QTime(12, 0, 0));
        for (const auto& [from, to] : c.renamed) {
            ASSERT_EQ(::rename(dir.file(from).c_str(), dir.file(to).c_str()), 0) << c.what;
        }
        DialogRunner::install(&watching);
        const std::string refused = dir.file(c.typed), kept = refused;
        ASSERT_NE(session().open_document, nullptr) << c.what;
        const std::vector<uint8_t> before = read_file(kept);
        const std::string other = dir.file("other.png");
        ::unlink(other.c_str());
        watching.shown.clear();
        watching.icons.clear();
        watching.file_answers = {QString::fromStdString(refused), QString::fromStdString(other)};
        frame().action(ID_FILE_SAVE_PICTURE)->trigger();
        EXPECT_EQ(read_file(kept), before) << c.what;
        EXPECT_TRUE(is_png(other)) << c.what;
        ASSERT_EQ(watching.shown.size(), 3u) << c.what;  // dialog, refusal, dialog again
        EXPECT_TRUE(watching.shown[1].text.contains("not written over it")) << c.what;
        ASSERT_EQ(watching.icons.size(), 1u) << c.what;
        EXPECT_EQ(watching.icons[0], QMessageBox::Warning) << c.what;
        frame().action(ID_FILE_CLOSE_DATA)->trigger();
        for (const char* name : {"study.ab", "study.abh", "moved.png", "moved.abh", "index.png",
                                 "hard.ab", "notes.ab"}) {
            ::unlink(dir.file(name).c_str());
        }
    }
    EXPECT_FALSE(watching.qt_confirms);
    DialogRunner::install(&runner);
}

TEST_F(ShellTest, ReplacingAnExistingPictureIsAskedBeforeItIsWritten) {
    const std::string old_png = dir.file("old.png"), fresh = dir.file("fresh.png");
    write_text_file(old_png, "old picture");
    runner.file_answers = {QString::fromStdString(old_png), QString::fromStdString(fresh)};
    frame().action(ID_FILE_SAVE_PICTURE)->trigger();
    ASSERT_EQ(runner.shown.size(), 2u);  // the dialog, then "replace?" answered yes; no refusal
    EXPECT_EQ(runner.shown[1].kind, "QMessageBox");
    EXPECT_TRUE(runner.shown[1].text.contains("already exists"));
    EXPECT_TRUE(is_png(old_png));
    EXPECT_NE(::access(fresh.c_str(), F_OK), 0);  // never asked for
}

}  // namespace
}  // namespace korvel::test
