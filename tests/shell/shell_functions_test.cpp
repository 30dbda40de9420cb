// The shell's small rules that need no window: the command line, the start-up directory, the
// position field, the recent-file list and dropped files.
#include <gtest/gtest.h>

#include <QUrl>

#include "shell/command_line.h"
#include "shell/main_frame.h"
#include "shell/position_text.h"
#include "shell/recent_files.h"

namespace korvel {
namespace {

TEST(CommandLine, LaunchFlagsTurnTheSplashOffInEveryForm) {
    const struct {
        QStringList args;
        bool ok;
        bool splash;
        QString file;
    } table[] = {
        {{"korvel"}, true, true, ""},
        {{"korvel", "rain.ab"}, true, true, "rain.ab"},
        {{"korvel", "-Embedding"}, true, false, ""},
        {{"korvel", "/Embedding", "x.ab"}, true, false, "x.ab"},
        {{"korvel", "--embedding"}, true, false, ""},
        {{"korvel", "-Automation"}, true, false, ""},
        {{"korvel", "/automation"}, true, false, ""},
        {{"korvel", "x.ab", "--automation"}, true, false, "x.ab"},
        {{"korvel", "a.ab", "b.ab"}, false, true, ""},
        {{"korvel", "--no-such-option"}, false, true, ""},
        {{"korvel", "/data/Embedding.ab"}, true, true, "/data/Embedding.ab"},
        // the window system's options and their values are left to it
        {{"korvel", "-platform", "xcb", "x.ab"}, true, true, "x.ab"},
        {{"korvel", "--style=fusion", "-reverse", "x.ab"}, true, true, "x.ab"},
        {{"korvel", "-display", ":1", "-bogus"}, false, true, ""},
    };
    for (const auto& row : table) {
        const StartOptions o = parse_command_line(row.args);
        EXPECT_EQ(o.ok, row.ok) << row.args.join(' ').toStdString();
        if (!row.ok) {
            EXPECT_FALSE(o.error.isEmpty());
            continue;
        }
        EXPECT_EQ(o.show_splash, row.splash) << row.args.join(' ').toStdString();
        EXPECT_EQ(o.data_file, row.file) << row.args.join(' ').toStdString();
    }
    EXPECT_TRUE(parse_command_line({"korvel", "--help"}).show_help);
    EXPECT_TRUE(parse_command_line({"korvel", "--version"}).show_version);
    EXPECT_TRUE(parse_command_line({"korvel", "--play", "x.ab"}).play);
}

TEST(StartUpDirectory, FiftyNineCharactersFitSixtyLeaveItEmpty) {
    const std::string fits = "/" + std::string(58, 'd');
    const std::string too_long = fits + "x";
    EXPECT_EQ(start_up_directory(fits), fits);
    EXPECT_EQ(start_up_directory(too_long), "");
    EXPECT_EQ(start_up_directory("/tmp"), "/tmp");
}

TEST(PositionText, TimeOfCameraAAndShareOfTheFile) {
    const struct {
        double line;
        double rate;
        uint64_t pos;
        uint64_t length;
        const char* text;
    } table[] = {
        {432000000.0, 10000.0, 500, 1000, "A 12:00:00   50.0 %"},
        {(13 * 3600 + 4 * 60 + 5) * 2000.0 + 1999, 2000.0, 1, 3, "A 13:04:05   33.3 %"},
        {0.0, 10000.0, 0, 1000, "A --:--:--    0.0 %"},
        {5000.0, 0.0, 10, 10, "A --:--:--  100.0 %"},
        {1e20, 1.0, 10, 0, "A --:--:--    0.0 %"},     // beyond a day; empty file
        {100.0, 10.0, 20, 10, "A 00:00:10  100.0 %"},  // a reader past the end counts as 100
    };
    for (const auto& row : table) {
        EXPECT_EQ(position_text(row.line, row.rate, row.pos, row.length), row.text);
    }
}

TEST(RecentFiles, NewestFirstNoDuplicatesFourAtMost) {
    using List = std::vector<std::string>;
    List files;
    for (const char* f : {"/r/a.ab", "/r/b.ab", "/r/c.ab", "/r/d.ab", "/r/e.ab"}) {
        files = with_recent(files, f);
    }
    EXPECT_EQ(files, List({"/r/e.ab", "/r/d.ab", "/r/c.ab", "/r/b.ab"}));
    files = with_recent(files, "/r/c.ab");
    EXPECT_EQ(files, List({"/r/c.ab", "/r/e.ab", "/r/d.ab", "/r/b.ab"}));
}

// A long recent name is shortened in the middle in the File menu: the folder it starts in
// and the file's own name stay.
TEST(RecentMenuName, LongNamesLoseTheirMiddle) {
    const QString rain = QString::fromUtf8("\xF0\x9F\x8C\xA7");  // outside the basic plane
    const struct {
        QString name;
        int max;
        QString shown;
    } cases[] = {
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

TEST(DroppedRecording, OnlyOneLocalAbFile) {
    EXPECT_EQ(dropped_recording({QUrl::fromLocalFile("/r/x.ab")}), "/r/x.ab");
    EXPECT_EQ(dropped_recording({QUrl::fromLocalFile("/r/x.AB")}), "/r/x.AB");
    EXPECT_EQ(dropped_recording({QUrl::fromLocalFile("/r/x.abh")}), "");
    EXPECT_EQ(dropped_recording({QUrl("https://example.invalid/x.ab")}), "");
    EXPECT_EQ(dropped_recording({QUrl::fromLocalFile("/r/x.ab"), QUrl::fromLocalFile("/r/y.ab")}),
              "");
}

}  // namespace
}  // namespace korvel
