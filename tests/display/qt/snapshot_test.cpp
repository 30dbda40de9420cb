// korvel-replay --snapshot on abgen recordings: the pictures of both views, checked by their
// pixels, and the refusals.
#include <gtest/gtest.h>

#include <QImage>

#include "display/frame.h"
#include "recordings.h"
#include "support/replay_runner.h"

namespace korvel {
namespace {

using test::count_colour;
using test::ProgramRun;
using test::run_program;

const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";
constexpr QRgb kBg = qRgb(192, 192, 192);

class SnapshotTest : public ::testing::Test {
  protected:
    QImage snapshot(const std::string& view, const std::string& size = "1023x768") {
        const std::string out = dir.file(view + ".png");
        const ProgramRun run = run_program(kReplay, {"--start", "12:00:00", "--view", view,
                                                     "--snapshot", out, "--size", size, recording});
        EXPECT_EQ(run.status, 0) << run.err;
        QImage img(QString::fromStdString(out));
        EXPECT_FALSE(img.isNull());
        return img;
    }

    test::TempDir dir;
    std::string recording = test::abgen_recording(dir, "rain", 20);
};

TEST_F(SnapshotTest, AsynchronousViewRedLeftBlueRightOnTheBackground) {
    const QImage img = snapshot("async");
    ASSERT_EQ(img.size(), QSize(1023, 768));
    const int divider = device_x(Frame{512}, 1023, 512);
    EXPECT_EQ(divider, 512);
    for (const int y : {0, 100, 400, 700, 767}) {
        EXPECT_EQ(img.pixel(divider, y) & 0xffffff, 0u) << y;  // black from top to bottom
    }
    EXPECT_EQ(img.pixel(300, 400), kBg);
    EXPECT_EQ(img.pixel(1000, 400), kBg);
    EXPECT_GT(count_colour(img, qRgb(255, 0, 0), 0, divider), 50);
    EXPECT_EQ(count_colour(img, qRgb(255, 0, 0), divider, 1023), 0);
    EXPECT_GT(count_colour(img, qRgb(0, 0, 255), divider + 1, 1023), 50);
    EXPECT_EQ(count_colour(img, qRgb(0, 0, 255), 0, divider), 0);
    EXPECT_EQ(count_colour(img, qRgb(255, 255, 0), 0, 1023), 0);  // no connectors here
}

TEST_F(SnapshotTest, SynchronousViewPairsInColourTheRestGrey) {
    const QImage img = snapshot("sync");
    EXPECT_GT(count_colour(img, qRgb(255, 0, 0), 0, 512), 20);
    EXPECT_GT(count_colour(img, qRgb(0, 0, 255), 513, 1023), 20);
    EXPECT_GT(count_colour(img, qRgb(255, 255, 0), 0, 1023), 200);
    EXPECT_GT(count_colour(img, qRgb(128, 128, 128), 0, 1023), 20);
    EXPECT_EQ(img.pixel(512, 760) & 0xffffff, 0u);
}

TEST_F(SnapshotTest, TheSizeIsTheClientSize) {
    EXPECT_EQ(snapshot("async", "1920x1080").size(), QSize(1920, 1080));
    EXPECT_EQ(snapshot("none", "64x48").size(), QSize(64, 48));
}

TEST_F(SnapshotTest, BadSizesAndUnwritableFilesAreRefused) {
    for (const std::string size : {"0x100", "100x0", "100", "x100", "100x", "-5x10", "10x10x10",
                                   "16385x10", "ax10", " 10x10"}) {
        const ProgramRun run =
            run_program(kReplay, {"--snapshot", dir.file("x.png"), "--size", size, recording});
        EXPECT_EQ(run.status, 2) << size;
        EXPECT_NE(run.err.find("--size"), std::string::npos) << size;
    }
    for (const std::string& out : {dir.file("no/such/dir/x.png"), dir.path()}) {
        const ProgramRun run = run_program(kReplay, {"--snapshot", out, recording});
        EXPECT_EQ(run.status, 2) << out;
        EXPECT_NE(run.err.find("korvel-replay: "), std::string::npos) << out;
        EXPECT_EQ(run.out, "") << out;  // refused before the replay
    }
    const ProgramRun alone = run_program(kReplay, {"--size", "10x10", recording});
    EXPECT_EQ(alone.status, 2);
}

}  // namespace
}  // namespace korvel
