#include "display/scale.h"

#include <gtest/gtest.h>

#include "support/recording_canvas.h"

namespace korvel {
namespace {

using Strings = std::vector<std::string>;

TEST(ScaleTicks, EveryTenBelowTheLastPixelLongEveryHundred) {
    struct Case {
        int w;
        size_t ticks;
        int last;
    };
    for (const Case c : {Case{512, 51, 510}, Case{11, 0, 0}, Case{12, 1, 10}, Case{101, 9, 90},
                         Case{102, 10, 100}, Case{32767, 3276, 32760}}) {
        const std::vector<ScaleTick> t = scale_ticks(c.w);
        ASSERT_EQ(t.size(), c.ticks) << c.w;
        EXPECT_EQ(t.empty() ? 0 : t.back().x, c.last) << c.w;
    }
    EXPECT_EQ(scale_ticks(512)[9], (ScaleTick{100, true}));
}

TEST(DrawScale, BothHalvesAxisAndDivider) {
    test::RecordingCanvas canvas;
    draw_scale(canvas, 512);
    const Strings black = canvas.lines_in("black");
    ASSERT_EQ(black.size(), 1u + 2 * 51 + 1);
    EXPECT_EQ(black[0], "0,-5 1023,-5");
    EXPECT_EQ(black[10], "100,-5 100,-20");
    EXPECT_EQ(black[52], "522,-5 522,-10");  // camera B's first tick, at W + 10
    EXPECT_EQ(black.back(), "512,-60 512,2020");
    const Strings labels = canvas.with_prefix("label");
    ASSERT_EQ(labels.size(), 10u);
    EXPECT_EQ(labels[0], "label 100,-55 100");
    EXPECT_EQ(labels[5], "label 612,-55 100");  // camera B's scale starts again at 0
    EXPECT_EQ(labels[9], "label 1012,-55 500");

    canvas.calls.clear();
    draw_scale(canvas, 11);
    EXPECT_EQ(canvas.lines_in("black"), (Strings{"0,-5 21,-5", "11,-60 11,2020"}));
}

}  // namespace
}  // namespace korvel
