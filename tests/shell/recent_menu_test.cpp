// A long recent name is shortened in the middle in the File menu: the folder it starts in and
// the file's own name stay, the whole path in the status tip.
#include <QAction>

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
    const QString path = QString::fromStdString(make_recording(std::string(200, 'r') + ".ab", 2));
    open_through_menu(path.toStdString(), QTime(12, 0, 0));
    ASSERT_FALSE(frame().recent_actions().isEmpty());
    EXPECT_EQ(frame().recent_actions().first()->statusTip(), path);
    const QString shown = frame().recent_actions().first()->text();
    EXPECT_EQ(shown, "&1 " + recent_menu_name(path, kRecentMenuChars));
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
}

}  // namespace
}  // namespace korvel::test
