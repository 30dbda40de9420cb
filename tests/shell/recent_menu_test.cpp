// A long recent name is shortened in the middle in the File menu: the folder it starts in and
// the file's own name stay, the whole path in the status tip.
#include <QAction>
#include <QMenu>

#include "shell/recent_files.h"
#include "shell_fixture.h"

namespace korvel::test {
namespace {

TEST(RecentMenuName, LongNamesLoseTheirMiddle) {
    const QString rain = QString::fromUtf8("\xF0\x9F\x8C\xA7");  // outside the basic plane
    const struct {
        QString name;
        int max;
        QString shown;
    } cases[] = {
        {"/data/rain.ab", 64, "/data/rain.ab"},
        {"/data/rain.ab", 13, "/data/rain.ab"},
        {"/data/rain.ab", 12, "/data\u2026ain.ab"},  // one more kept at the end
        {"/d/R&D/x.ab", 64, "/d/R&&D/x.ab"},         // '&' shows as itself
        // Never half of a character at either cut.
        {"/a" + rain + "/z.ab", 7, "/a\u2026.ab"},
        {"/abcdefgh/" + rain + "x", 5, "/a\u2026x"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(recent_menu_name(c.name, c.max), c.shown) << c.name.toStdString();
    }
}

TEST_F(ShellTest, AVeryLongRecentNameIsShortenedInTheMenu) {
    const std::string name = std::string(200, 'r') + ".ab";
    const std::string path = make_recording(name, 2);
    open_through_menu(path, QTime(12, 0, 0));
    ASSERT_NE(session().open_document, nullptr);
    const QAction* entry = nullptr;
    for (const QAction* a : frame().file_menu()->actions()) {
        if (a->statusTip() == QString::fromStdString(path)) entry = a;
    }
    ASSERT_NE(entry, nullptr);
    EXPECT_LE(entry->text().size(), kRecentMenuChars + 3);  // "&1 " and the name
    EXPECT_TRUE(entry->text().endsWith("rrr.ab")) << entry->text().toStdString();
    EXPECT_TRUE(entry->text().contains(QChar(0x2026)));
}

}  // namespace
}  // namespace korvel::test
