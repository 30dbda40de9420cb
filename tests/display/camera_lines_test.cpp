// The asynchronous view through DisplayView, on a canvas that records its calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "display/display_view.h"
#include "support/recording_canvas.h"

namespace korvel {
namespace {

using test::RecordingCanvas;
using Strings = std::vector<std::string>;

class CameraLinesTest : public ::testing::Test {
  protected:
    CameraLinesTest() : view(session, canvas) {
        session.line_width = 512;
        session.line_rate = 1000;
        session.total_lines_a = 1234567;
        session.total_lines_b = 7;
        session.pos_a = 4096;
        session.pos_b = 999;
    }

    // Puts lines at the given numbers in line_buf, one segment each (x 10 to 20).
    int16_t lines(std::initializer_list<double> ys) {
        int16_t n = 0;
        for (const double y : ys) {
            LineEntry& e = ctx->line_buf[n++];
            e = LineEntry{};
            e.y_count = y;
            e.segment_count = 1;
            e.segments[0] = {10, 20};
        }
        ctx->line_count = n;
        return n;
    }

    // Appends a particle to camera A's assign queue at the newest end.
    Particle& particle(CameraQueue& q, double y_first, int16_t count, int16_t x0, int16_t x1) {
        Particle& p = ctx->pool[used++];
        segments.push_back(std::vector<Segment>(count, Segment{x0, x1}));
        p.segments = segments.back().data();
        p.y_first = y_first;
        p.y_last = y_first + count - 1;
        p.line_count = count;
        p.older = q.assign_newest;
        if (q.assign_newest) q.assign_newest->newer = &p;
        q.assign_newest = &p;
        if (!q.assign_oldest) q.assign_oldest = &p;
        return p;
    }

    void draw(Camera camera, int16_t n) {
        canvas.clear();
        view.DrawCameraLines(camera, n, *ctx);
    }
    double& base_a() { return view.playback_state().m_scrollBaseA; }
    double& base_b() { return view.playback_state().m_scrollBaseB; }

    PlaybackSession session;
    RecordingCanvas canvas;
    DisplayView view;
    std::unique_ptr<DecodeContext> ctx = std::make_unique<DecodeContext>();
    std::vector<std::vector<Segment>> segments;
    int used = 0;

    ~CameraLinesTest() override {
        // The segments belong to the test, not to the pool.
        for (Particle& p : ctx->pool) p.segments = nullptr;
    }
};

TEST_F(CameraLinesTest, JumpAndScrollThresholds) {
    struct Case {
        double above_base;
        int scrolls;
        bool jump;
        double new_base;  // relative to the old base
        int drawn_at;
    };
    const Case cases[] = {
        {1800, 0, false, 0, 1800},   {1801, 1, false, 250, 1551}, {2400, 1, false, 250, 2150},
        {3600, 1, false, 250, 3350}, {3601, 1, true, 1951, 1650}, {100000, 1, true, 98350, 1650},
        {0.5, 0, false, 0, 0},
    };
    for (const Case& c : cases) {
        base_a() = 500000;
        draw(Camera::A, lines({500000 + c.above_base}));
        EXPECT_EQ(canvas.with_prefix("scroll").size(), static_cast<size_t>(c.scrolls))
            << c.above_base;
        const Strings black = canvas.lines_in("black");
        EXPECT_EQ(black.size(), c.jump ? 1u : 0u) << c.above_base;
        if (c.jump) {
            EXPECT_EQ(black[0], "2,1800 511,1800");
        }
        EXPECT_EQ(base_a(), 500000 + c.new_base) << c.above_base;
        const std::string h = std::to_string(c.drawn_at);
        EXPECT_EQ(canvas.lines_in("grey"), (Strings{"10," + h + " 20," + h})) << c.above_base;
    }
}

TEST_F(CameraLinesTest, AScrollClipsTheHalfAndClearsItsTopBand) {
    base_a() = 0;
    draw(Camera::A, lines({1801}));
    EXPECT_EQ(canvas.calls[0], "begin 512");
    EXPECT_EQ(canvas.calls[1], "clip 0,511,10,1810");
    EXPECT_EQ(canvas.calls[2], "scroll 250");
    EXPECT_EQ(canvas.calls[3], "fill 0,511,1551,1810 bg");
    EXPECT_EQ(canvas.calls.back(), "end");
}

TEST_F(CameraLinesTest, ALineFarAboveTheAreaCatchesUpAScrollPerLine) {
    base_a() = 10000;
    draw(Camera::A, lines({12400, 12401, 12402, 12403}));
    EXPECT_EQ(canvas.lines_in("grey"), (Strings{"10,2150 20,2150", "10,1901 20,1901",
                                                "10,1652 20,1652", "10,1653 20,1653"}));
    EXPECT_EQ(canvas.with_prefix("scroll").size(), 3u);
}

TEST_F(CameraLinesTest, CameraBMovesOnlyItsOwnHalfAndBase) {
    base_a() = 100;
    base_b() = 0;
    draw(Camera::B, lines({50000}));
    EXPECT_EQ(base_a(), 100);
    EXPECT_EQ(base_b(), 50000 - 1650);
    EXPECT_EQ(canvas.calls[1], "clip 513,1023,10,1810");
    EXPECT_EQ(canvas.lines_in("black"), (Strings{"514,1800 1023,1800"}));
    EXPECT_EQ(canvas.with_prefix("fill"), (Strings{"fill 513,1023,1551,1810 bg"}));
    EXPECT_EQ(canvas.lines_in("grey"), (Strings{"522,1650 532,1650"}));
}

TEST_F(CameraLinesTest, ParticlesAreDrawnInTheCameraColourOnceTheirLastLineIsDrawn) {
    base_a() = 1000;
    particle(ctx->queue_a, 1100, 3, 5, 9);  // ends at 1102
    particle(ctx->queue_a, 1101, 1, 30, 40);
    draw(Camera::A, lines({1100, 1101, 1102}));
    // Both qualify only at the third line; the cursor walks on to the newer one there.
    EXPECT_EQ(canvas.lines_in("red"),
              (Strings{"5,100 9,100", "5,101 9,101", "5,102 9,102", "30,101 40,101"}));
    const auto first_red =
        std::find(canvas.calls.begin(), canvas.calls.end(), "line 5,100 9,100 red");
    const auto third_grey =
        std::find(canvas.calls.begin(), canvas.calls.end(), "line 10,102 20,102 grey");
    EXPECT_LT(third_grey, first_red);  // the colour goes over the grey of the same line
}

TEST_F(CameraLinesTest, TheWalkStopsAtAParticleBeyondTheLastLine) {
    base_a() = 1000;
    particle(ctx->queue_a, 1100, 5, 5, 9);    // ends at 1104, after the record's last line
    particle(ctx->queue_a, 1100, 1, 30, 40);  // would qualify, but stands behind it
    draw(Camera::A, lines({1100, 1101, 1102}));
    EXPECT_TRUE(canvas.lines_in("red").empty());
}

TEST_F(CameraLinesTest, CameraBParticlesAreBlueAndShifted) {
    base_b() = 1000;
    particle(ctx->queue_b, 1100, 1, 7, 7);
    draw(Camera::B, lines({1100}));
    EXPECT_EQ(canvas.lines_in("blue"), (Strings{"519,100 519,100"}));
}

TEST_F(CameraLinesTest, StatusBlockAfterTheClipIsRemoved) {
    base_a() = 3722000;
    draw(Camera::A, lines({3723000, 3723456}));
    const Strings rows = canvas.with_prefix("row");
    EXPECT_EQ(rows, (Strings{"row 10,500,1915,1950 -32 line          = 0.003.723.456",
                             "row 10,500,1880,1915 -32 time          =  01:02:03.456",
                             "row 10,500,1845,1880 -32 total lines   = 0.001.234.567",
                             "row 10,500,1810,1845 -32 file position = 0.000.004.096"}));
    const auto unclip = std::find(canvas.calls.begin(), canvas.calls.end(), "unclip");
    const auto first_row = std::find(canvas.calls.begin(), canvas.calls.end(), rows[0]);
    EXPECT_LT(unclip, first_row);

    canvas.dpi = 120;
    base_b() = 0;
    draw(Camera::B, lines({5}));
    EXPECT_EQ(canvas.with_prefix("row")[3],
              "row 522,1012,1810,1845 -40 file position = 0.000.000.999");
}

}  // namespace
}  // namespace korvel
