// The asynchronous view through DisplayView, on a canvas that records its calls.
#include <gtest/gtest.h>

#include <memory>

#include "display/display_view.h"
#include "support/particle_maker.h"
#include "support/recording_canvas.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

class CameraLinesTest : public ::testing::Test {
  protected:
    CameraLinesTest() : view(session, canvas) {
        session.line_width = 512;
        session.line_rate = 1000;
        session.total_lines_a = 1234567;
        session.pos_a = 4096;
        session.pos_b = 999;
    }
    // Draws a record of lines at ys, one segment each from x 10 to 20.
    void draw(Camera camera, std::initializer_list<double> ys) {
        int16_t n = 0;
        for (const double y : ys) {
            ctx->line_buf[n] = LineEntry{y, 1, {Segment{10, 20}}};
            ++n;
        }
        canvas.calls.clear();
        view.DrawCameraLines(camera, n, *ctx);
    }
    double& base(Camera c) {
        return c == Camera::A ? view.playback_state().m_scrollBaseA
                              : view.playback_state().m_scrollBaseB;
    }

    PlaybackSession session;
    test::RecordingCanvas canvas;
    DisplayView view;
    std::unique_ptr<DecodeContext> ctx = std::make_unique<DecodeContext>();
    test::ParticleMaker maker;
};

TEST_F(CameraLinesTest, JumpAndScrollThresholds) {
    struct Case {
        double above_base;
        size_t scrolls;
        bool jump;
        double base_moves_by;
        int drawn_at;
    };
    const Case cases[] = {
        {1800, 0, false, 0, 1800},   {1801, 1, false, 250, 1551}, {2400, 1, false, 250, 2150},
        {3600, 1, false, 250, 3350}, {3601, 1, true, 1951, 1650}, {0.5, 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        base(Camera::A) = 500000;
        draw(Camera::A, {500000 + c.above_base});
        EXPECT_EQ(canvas.with_prefix("scroll").size(), c.scrolls) << c.above_base;
        EXPECT_EQ(canvas.lines_in("black"), c.jump ? Strings{"2,1800 511,1800"} : Strings{});
        EXPECT_EQ(base(Camera::A), 500000 + c.base_moves_by) << c.above_base;
        const std::string h = std::to_string(c.drawn_at);
        EXPECT_EQ(canvas.lines_in("grey"), (Strings{"10," + h + " 20," + h})) << c.above_base;
    }
}

TEST_F(CameraLinesTest, ALineFarAboveTheAreaCatchesUpOneScrollPerLine) {
    base(Camera::A) = 10000;
    draw(Camera::A, {12400, 12401, 12402, 12403});
    EXPECT_EQ(canvas.lines_in("grey"), (Strings{"10,2150 20,2150", "10,1901 20,1901",
                                                "10,1652 20,1652", "10,1653 20,1653"}));
}

TEST_F(CameraLinesTest, CameraBRestartsOnlyItsOwnHalf) {
    base(Camera::A) = 100;
    draw(Camera::B, {50000});
    EXPECT_EQ(base(Camera::A), 100);
    EXPECT_EQ(base(Camera::B), 50000 - 1650);
    EXPECT_EQ(canvas.with_prefix("clip"), Strings{"clip 513,1023,10,1810"});
    EXPECT_EQ(canvas.with_prefix("fill"), Strings{"fill 513,1023,1551,1810 bg"});
    EXPECT_EQ(canvas.lines_in("black"), Strings{"514,1800 1023,1800"});
    EXPECT_EQ(canvas.lines_in("grey"), Strings{"522,1650 532,1650"});
}

TEST_F(CameraLinesTest, ParticlesAreDrawnOnceTheirLastLineIsReachedAndTheWalkStops) {
    base(Camera::A) = base(Camera::B) = 1000;
    maker.assign(ctx->queue_a, maker.make(1100, 2, 5, 9));    // ends at 1101
    maker.assign(ctx->queue_a, maker.make(1100, 5, 5, 9));    // ends after the record
    maker.assign(ctx->queue_a, maker.make(1100, 1, 30, 40));  // would do, but stands behind
    draw(Camera::A, {1100, 1101, 1102});
    EXPECT_EQ(canvas.lines_in("red"), (Strings{"5,100 9,100", "5,101 9,101"}));

    maker.assign(ctx->queue_b, maker.make(1100, 1, 7, 7));
    draw(Camera::B, {1100});
    EXPECT_EQ(canvas.lines_in("blue"), Strings{"519,100 519,100"});
}

TEST_F(CameraLinesTest, StatusBlockOfTheLastLineAfterTheClipIsRemoved) {
    base(Camera::A) = 3722000;
    draw(Camera::A, {3723000, 3723456});
    const Strings rows = canvas.with_prefix("row");
    EXPECT_EQ(rows, (Strings{"row 10,500,1915,1950 -32 line          = 0.003.723.456",
                             "row 10,500,1880,1915 -32 time          =  01:02:03.456",
                             "row 10,500,1845,1880 -32 total lines   = 0.001.234.567",
                             "row 10,500,1810,1845 -32 file position = 0.000.004.096"}));
    EXPECT_EQ(canvas.calls.end()[-7], "unclip");
    draw(Camera::B, {5});
    EXPECT_EQ(canvas.with_prefix("row")[3],
              "row 522,1012,1810,1845 -32 file position = 0.000.000.999");
}

}  // namespace
}  // namespace korvel
