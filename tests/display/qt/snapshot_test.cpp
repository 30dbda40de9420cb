// korvel-replay --snapshot on abgen recordings: the pictures of both views, checked by their
// pixels, and the refusals.
#include <gtest/gtest.h>

#include <QImage>

#include "recordings.h"
#include "support/replay_runner.h"

namespace korvel {
namespace {

using test::count_colour;
using test::ProgramRun;
using test::run_program;

const std::string kReplay = std::string(KORVEL_BIN_DIR) + "/tools/korvel-replay/korvel-replay";

class SnapshotTest : public ::testing::Test {
  protected:
    QImage snapshot(const std::string& view, const std::string& size = "1023x768") {
        const std::string out = dir.file(view + ".png");
        const ProgramRun run = run_program(kReplay, {"--start", "12:00:00", "--view", view,
                                                     "--snapshot", out, "--size", size, rain});
        EXPECT_EQ(run.status, 0) << run.err;
        return QImage(QString::fromStdString(out)).convertToFormat(QImage::Format_RGB32);
    }

    test::TempDir dir;
    std::string rain = test::abgen_recording(dir, "rain", 20);
};

TEST_F(SnapshotTest, AsynchronousViewRedLeftBlueRightOnTheBackground) {
    const QImage img = snapshot("async");
    ASSERT_EQ(img.size(), QSize(1023, 768));
    for (const int y : {0, 100, 400, 767}) EXPECT_EQ(img.pixel(512, y), qRgb(0, 0, 0)) << y;
    EXPECT_EQ(img.pixel(300, 400), qRgb(192, 192, 192));
    EXPECT_GT(count_colour(img, qRgb(255, 0, 0), 0, 512), 50);
    EXPECT_EQ(count_colour(img, qRgb(255, 0, 0), 512, 1023), 0);
    EXPECT_GT(count_colour(img, qRgb(0, 0, 255), 513, 1023), 50);
    EXPECT_EQ(count_colour(img, qRgb(0, 0, 255), 0, 512), 0);
    EXPECT_EQ(count_colour(img, qRgb(255, 255, 0), 0, 1023), 0);
}

TEST_F(SnapshotTest, SynchronousViewPairsInColourTheRestGrey) {
    const QImage img = snapshot("sync");
    EXPECT_GT(count_colour(img, qRgb(255, 0, 0), 0, 512), 20);
    EXPECT_GT(count_colour(img, qRgb(0, 0, 255), 513, 1023), 20);
    EXPECT_GT(count_colour(img, qRgb(255, 255, 0), 0, 1023), 200);
    EXPECT_GT(count_colour(img, qRgb(128, 128, 128), 0, 1023), 20);
    EXPECT_EQ(snapshot("sync", "64x48").size(), QSize(64, 48));
}

TEST_F(SnapshotTest, BadSizesAndUnwritableFilesAreRefused) {
    for (const char* size : {"0x100", "100", "x100", "100x", "-5x10", "10x10x10", "16385x10"}) {
        const ProgramRun run =
            run_program(kReplay, {"--snapshot", dir.file("x.png"), "--size", size, rain});
        EXPECT_EQ(run.status, 2) << size;
        EXPECT_NE(run.err.find("--size"), std::string::npos) << size;
    }
    for (const std::string& out : {dir.file("no/such/dir/x.png"), dir.path()}) {
        const ProgramRun run = run_program(kReplay, {"--snapshot", out, rain});
        EXPECT_EQ(run.status, 2) << out;
        EXPECT_EQ(run.out, "") << out;  // refused before the replay
    }
}

}  // namespace
}  // namespace korvel
