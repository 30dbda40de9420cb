#include "display/scale.h"

#include <gtest/gtest.h>

#include "support/recording_canvas.h"

namespace korvel {
namespace {

using test::RecordingCanvas;
using Strings = std::vector<std::string>;

TEST(ScaleTicks, EveryTenBelowTheLastPixelLongEveryHundred) {
    const std::vector<ScaleTick> ticks = scale_ticks(512);
    ASSERT_EQ(ticks.size(), 51u);
    EXPECT_EQ(ticks.front(), (ScaleTick{10, false}));
    EXPECT_EQ(ticks.back(), (ScaleTick{510, false}));
    EXPECT_EQ(ticks[9], (ScaleTick{100, true}));

    struct Case {
        int w;
        size_t ticks;
        int last;
    };
    for (const Case c : {Case{11, 0, 0}, Case{12, 1, 10}, Case{101, 9, 90}, Case{102, 10, 100},
                         Case{32767, 3276, 32760}}) {
        const std::vector<ScaleTick> t = scale_ticks(c.w);
        ASSERT_EQ(t.size(), c.ticks) << c.w;
        if (!t.empty()) {
            EXPECT_EQ(t.back().x, c.last) << c.w;
        }
    }
}

TEST(DrawScale, BothHalvesAxisAndDivider) {
    RecordingCanvas canvas;
    draw_scale(canvas, 512);
    EXPECT_EQ(canvas.calls.front(), "begin 512");
    EXPECT_EQ(canvas.calls.back(), "end");
    const Strings black = canvas.lines_in("black");
    ASSERT_EQ(black.size(), 1u + 2 * 51 + 1);
    EXPECT_EQ(black.front(), "0,-5 1023,-5");
    EXPECT_EQ(black[1], "10,-5 10,-10");
    EXPECT_EQ(black[10], "100,-5 100,-20");
    EXPECT_EQ(black[52], "522,-5 522,-10");  // camera B's first tick, at W + 10
    EXPECT_EQ(black.back(), "512,-60 512,2020");
    EXPECT_EQ(
        canvas.with_prefix("label"),
        (Strings{"label 100,-55 100", "label 200,-55 200", "label 300,-55 300", "label 400,-55 400",
                 "label 500,-55 500", "label 612,-55 100", "label 712,-55 200", "label 812,-55 300",
                 "label 912,-55 400", "label 1012,-55 500"}));
}

TEST(DrawScale, NarrowLinesGetOnlyTheAxisAndTheDivider) {
    RecordingCanvas canvas;
    draw_scale(canvas, 11);
    EXPECT_EQ(canvas.lines_in("black"), (Strings{"0,-5 21,-5", "11,-60 11,2020"}));
    EXPECT_TRUE(canvas.with_prefix("label").empty());
}

}  // namespace
}  // namespace korvel
