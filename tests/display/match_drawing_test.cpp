// The synchronous view through DisplayView, on a canvas that records its calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "display/display_view.h"
#include "support/recording_canvas.h"

namespace korvel {
namespace {

using test::RecordingCanvas;
using Strings = std::vector<std::string>;

class MatchDrawingTest : public ::testing::Test {
  protected:
    MatchDrawingTest() : view(session, canvas) {
        session.line_width = 512;
        session.line_rate = 1000;
        session.pos_a = 1000;
        session.view_switch = 0;
    }

    // A particle of count lines from y_first, every segment x0 to x1.
    Particle& particle(double y_first, int16_t count, int16_t x0, int16_t x1) {
        segments.emplace_back(count, Segment{x0, x1});
        Particle& p = particles.emplace_back();
        p.segments = segments.back().data();
        p.y_first = y_first;
        p.y_last = y_first + count - 1;
        p.line_count = count;
        p.x_min = x0;
        p.x_max = x1;
        return p;
    }

    void draw(const Particle* a, const Particle* b, int matched) {
        canvas.clear();
        view.DrawMatch(a, b, matched);
    }
    double& base() { return view.playback_state().m_scrollBaseSync; }
    size_t scrolls() const { return canvas.with_prefix("scroll").size(); }

    PlaybackSession session;
    RecordingCanvas canvas;
    DisplayView view;
    std::deque<std::vector<Segment>> segments;
    std::deque<Particle> particles;
};

TEST_F(MatchDrawingTest, JumpAndScrollThresholds) {
    struct Case {
        double above_base;  // of b's last line; a starts 10 lines before b's first
        size_t scrolls;
        bool jump;
        double new_base;  // relative to the old base
    };
    const Case cases[] = {
        {1800, 0, false, 0},
        {1801, 1, false, 250},
        {2050, 1, false, 250},
        {2051, 2, false, 500},
        {2400, 3, false, 750},
        {3600, 8, false, 2000},
        {3601, 1, true, 3601 - 4 - 10 - 1650},  // base = a's first line - 1650
    };
    for (const Case& c : cases) {
        particles.clear();
        base() = 100000;
        const Particle& b = particle(100000 + c.above_base - 4, 5, 1, 3);
        const Particle& a = particle(b.y_first - 10, 2, 1, 3);
        draw(&a, &b, 1);
        EXPECT_EQ(scrolls(), c.scrolls) << c.above_base;
        EXPECT_EQ(base(), 100000 + c.new_base) << c.above_base;
        const Strings black = canvas.lines_in("black");
        // The divider after every scroll, and the marker after a jump.
        EXPECT_EQ(black.size(), c.scrolls + (c.jump ? 1 : 0)) << c.above_base;
        if (c.jump) {
            EXPECT_EQ(black[1], "0,1600 1023,1600");
            EXPECT_EQ(canvas.lines_in("red").front(), "1,1650 3,1650");
        }
    }
}

TEST_F(MatchDrawingTest, AScrollMovesBothHalvesAndRedrawsTheDivider) {
    base() = 0;
    const Particle& b = particle(1801, 1, 4, 6);
    draw(nullptr, &b, 0);
    EXPECT_EQ(canvas.calls[1], "clip 0,1023,10,1810");
    EXPECT_EQ(canvas.calls[2], "scroll 250");
    EXPECT_EQ(canvas.calls[3], "fill 0,512,1551,1810 bg");
    EXPECT_EQ(canvas.calls[4], "fill 513,1023,1551,1810 bg");
    EXPECT_EQ(canvas.calls[6], "line 512,-60 512,2020 black");
}

TEST_F(MatchDrawingTest, OnlyBsLastLineDecidesWhenBIsGiven) {
    base() = 0;
    const Particle& a = particle(1700, 200, 1, 2);  // ends at 1899, far above 1800
    const Particle& b = particle(1750, 10, 1, 2);   // ends at 1759
    draw(&a, &b, 1);
    EXPECT_EQ(scrolls(), 0u);
    draw(&a, nullptr, 0);  // without b, a's last line decides
    EXPECT_EQ(scrolls(), 1u);
}

TEST_F(MatchDrawingTest, HugeLineNumbersEndTheScrolling) {
    // At 1e19 neighbouring doubles lie 2048 apart: adding 250 to the base changes nothing,
    // and scrolling until the particle fits would never end.
    base() = 1e19;
    const Particle& b = particle(1e19 + 2048, 1, 1, 2);
    ASSERT_EQ(b.y_last - base(), 2048);
    draw(nullptr, &b, 0);
    EXPECT_EQ(scrolls(), 1u);
    EXPECT_EQ(canvas.calls.back(), "end");
}

TEST_F(MatchDrawingTest, ColoursOfEachOutcome) {
    base() = 1000;
    const Particle& a = particle(1100, 4, 10, 21);  // centre x 15, y 1100 + 2
    const Particle& b = particle(1150, 3, 30, 40);  // centre x 512 + 35, y 1150 + 1

    draw(&a, &b, 1);
    EXPECT_EQ(canvas.lines_in("red").size(), 4u);
    EXPECT_EQ(canvas.lines_in("blue").front(), "542,150 552,150");
    EXPECT_EQ(canvas.lines_in("yellow"), (Strings{"15,102 547,151"}));
    EXPECT_EQ(canvas.with_prefix("row").size(), 3u);

    draw(&a, &b, 0);  // a rejected candidate pair: everything grey, text updated
    EXPECT_EQ(canvas.lines_in("grey").size(), 4u + 3u + 1u);
    EXPECT_TRUE(canvas.lines_in("red").empty());
    EXPECT_EQ(canvas.with_prefix("row").size(), 3u);

    draw(nullptr, &b, 0);  // a dropped B particle: grey in the right half, no text
    EXPECT_EQ(canvas.lines_in("grey"),
              (Strings{"542,150 552,150", "542,151 552,151", "542,152 552,152"}));
    EXPECT_TRUE(canvas.with_prefix("row").empty());

    draw(&a, nullptr, 0);  // a dropped A particle: grey in the left half, no text
    EXPECT_EQ(canvas.lines_in("grey").front(), "10,100 21,100");
    EXPECT_EQ(canvas.lines_in("grey").size(), 4u);
    EXPECT_TRUE(canvas.with_prefix("row").empty());
}

TEST_F(MatchDrawingTest, ConnectorEndsAreSixteenBitCentres) {
    base() = 0;
    struct Case {
        int16_t count, x0, x1;
        double y_first;
        const char* end;  // the connector's end at a
    };
    const Case cases[] = {
        {4, 10, 21, 100, "15,102"},  // even count: half a line above the middle
        {5, 10, 20, 100, "15,102"},  // odd count: the middle line
        {1, 7, 8, 100, "7,100"},     // odd sum: the left one of the two middle pixels
    };
    for (const Case& c : cases) {
        particles.clear();
        const Particle& a = particle(c.y_first, c.count, c.x0, c.x1);
        const Particle& b = particle(c.y_first, 1, 0, 0);
        draw(&a, &b, 1);
        EXPECT_EQ(canvas.lines_in("yellow"),
                  (Strings{std::string(c.end) + " 512," + std::to_string(int(c.y_first))}));
    }
}

TEST_F(MatchDrawingTest, SyncStatusRowsShowAsFirstLineAndCameraAsPosition) {
    base() = 3722000;
    const Particle& a = particle(3723456, 2, 1, 2);
    const Particle& b = particle(3723500, 2, 1, 2);
    session.pos_a = 65326;
    draw(&a, &b, 1);
    EXPECT_EQ(canvas.with_prefix("row"),
              (Strings{"row 10,500,1910,1945 -32 line          = 0.003.723.456",
                       "row 10,500,1875,1910 -32 time          =  01:02:03.456",
                       "row 10,500,1840,1875 -32 file position = 0.000.065.326"}));
    const auto unclip = std::find(canvas.calls.begin(), canvas.calls.end(), "unclip");
    EXPECT_LT(unclip - canvas.calls.begin(),
              std::find(canvas.calls.begin(), canvas.calls.end(), canvas.with_prefix("row")[0]) -
                  canvas.calls.begin());
}

TEST_F(MatchDrawingTest, TheFirstOutcomeAfterASwitchWipesTheAsynchronousText) {
    base() = 1000;
    session.view_switch = 1;
    const Particle& b = particle(1100, 1, 1, 2);
    draw(nullptr, &b, 0);
    EXPECT_EQ(canvas.calls[1], "fill 10,512,1810,1945 bg");
    EXPECT_EQ(canvas.calls[2], "fill 513,1024,1810,1945 bg");
    EXPECT_EQ(session.view_switch, 0);
    draw(nullptr, &b, 0);
    EXPECT_TRUE(canvas.with_prefix("fill").empty());

    session.view_switch = 2;  // after selecting the asynchronous view: nothing is wiped
    draw(nullptr, &b, 0);
    EXPECT_TRUE(canvas.with_prefix("fill").empty());
    EXPECT_EQ(session.view_switch, 2);
}

}  // namespace
}  // namespace korvel
