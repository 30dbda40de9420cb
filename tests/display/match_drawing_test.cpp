// The synchronous view through DisplayView, on a canvas that records its calls.
#include <gtest/gtest.h>

#include "display/display_view.h"
#include "support/particle_maker.h"
#include "support/recording_canvas.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

class MatchDrawingTest : public ::testing::Test {
  protected:
    MatchDrawingTest() : view(session, canvas) {
        session.line_width = 512;
        session.line_rate = 1000;
        session.pos_a = 65326;
        session.view_switch = 0;
    }
    void draw(const Particle* a, const Particle* b, int matched) {
        canvas.calls.clear();
        view.DrawMatch(a, b, matched);
    }
    double& base() { return view.playback_state().m_scrollBaseSync; }
    size_t scrolls() const { return canvas.with_prefix("scroll").size(); }

    PlaybackSession session;
    test::RecordingCanvas canvas;
    DisplayView view;
    test::ParticleMaker maker;
};

TEST_F(MatchDrawingTest, JumpAndScrollThresholds) {
    struct Case {
        double above_base;  // of b's last line; a starts 10 lines before b
        size_t scrolls;
        bool jump;
        double base_moves_by;
    };
    const Case cases[] = {
        {1800, 0, false, 0},
        {1801, 1, false, 250},
        {2050, 1, false, 250},
        {2051, 2, false, 500},
        {2400, 3, false, 750},
        {3600, 8, false, 2000},
        {3601, 1, true, 3601 - 4 - 10 - 1650},  // restarts 1650 below a's first line
    };
    for (const Case& c : cases) {
        base() = 100000;
        const Particle& b = maker.make(100000 + c.above_base - 4, 5, 1, 3);
        const Particle& a = maker.make(b.y_first - 10, 2, 1, 3);
        draw(&a, &b, 1);
        EXPECT_EQ(scrolls(), c.scrolls) << c.above_base;
        EXPECT_EQ(base(), 100000 + c.base_moves_by) << c.above_base;
        // The divider after every scroll, and the marker across both halves after a jump.
        const Strings black = canvas.lines_in("black");
        EXPECT_EQ(black.size(), c.scrolls + (c.jump ? 1 : 0)) << c.above_base;
        if (c.jump) {
            EXPECT_EQ(black.at(1), "0,1600 1023,1600");
            EXPECT_EQ(canvas.lines_in("red").at(0), "1,1650 3,1650");
        }
    }
    EXPECT_EQ(canvas.calls[1], "clip 0,1023,10,1810");
    EXPECT_EQ(canvas.calls[3], "fill 0,512,1551,1810 bg");
    EXPECT_EQ(canvas.calls[4], "fill 513,1023,1551,1810 bg");
}

TEST_F(MatchDrawingTest, HugeLineNumbersStillEndTheScrolling) {
    // Neighbouring doubles near 1e19 lie 2048 apart: adding 250 to the base changes nothing.
    base() = 1e19;
    const Particle& b = maker.make(1e19 + 2048, 1, 1, 2);
    draw(nullptr, &b, 0);
    EXPECT_EQ(scrolls(), 1u);
}

TEST_F(MatchDrawingTest, ColoursTextAndConnectorOfEachOutcome) {
    base() = 3722000;
    const Particle& a = maker.make(3723456, 4, 10, 21);  // centre 15, 3723456 + 2
    const Particle& b = maker.make(3723500, 3, 30, 40);  // centre 512 + 35, 3723500 + 1
    draw(&a, &b, 1);
    EXPECT_EQ(canvas.lines_in("red").size(), 4u);
    EXPECT_EQ(canvas.lines_in("blue").size(), 3u);
    EXPECT_EQ(canvas.lines_in("yellow"), Strings{"15,1458 547,1501"});
    EXPECT_EQ(canvas.with_prefix("row"),
              (Strings{"row 10,500,1910,1945 -32 line          = 0.003.723.456",
                       "row 10,500,1875,1910 -32 time          =  01:02:03.456",
                       "row 10,500,1840,1875 -32 file position = 0.000.065.326"}));
    EXPECT_EQ(canvas.calls.end()[-6], "unclip");

    draw(&a, &b, 0);  // a rejected pair: all grey, text updated
    EXPECT_EQ(canvas.lines_in("grey").size(), 4u + 3u + 1u);
    EXPECT_EQ(canvas.with_prefix("row").size(), 3u);
    draw(nullptr, &b, 0);  // a dropped B particle: grey on the right, no text
    EXPECT_EQ(canvas.lines_in("grey").at(0), "542,1500 552,1500");
    EXPECT_EQ(canvas.with_prefix("row").size(), 0u);
    draw(&a, nullptr, 0);
    EXPECT_EQ(canvas.lines_in("grey").size(), 4u);
    EXPECT_EQ(canvas.with_prefix("row").size(), 0u);
}

TEST_F(MatchDrawingTest, ConnectorEndsAreTheLeftMiddlePixelHalfTheLinesUp) {
    const struct {
        int16_t count, x0, x1;
        const char* end;
    } cases[] = {{4, 10, 21, "15,102"}, {5, 10, 20, "15,102"}, {1, 7, 8, "7,100"}};
    for (const auto& c : cases) {
        base() = 1000;
        const Particle& a = maker.make(1100, c.count, c.x0, c.x1);
        const Particle& b = maker.make(1100, 1, 0, 0);
        draw(&a, &b, 1);
        EXPECT_EQ(canvas.lines_in("yellow"), Strings{std::string(c.end) + " 512,100"});
    }
}

TEST_F(MatchDrawingTest, TheFirstOutcomeAfterASwitchWipesTheAsynchronousText) {
    base() = 1000;
    const Particle& b = maker.make(1100, 1, 1, 2);
    for (const int16_t before : {1, 0, 2}) {
        session.view_switch = before;
        draw(nullptr, &b, 0);
        const Strings wiped = {"fill 10,512,1810,1945 bg", "fill 513,1024,1810,1945 bg"};
        EXPECT_EQ(canvas.with_prefix("fill"), before == 1 ? wiped : Strings{});
        EXPECT_EQ(session.view_switch, before == 1 ? 0 : before);
    }
}

}  // namespace
}  // namespace korvel
