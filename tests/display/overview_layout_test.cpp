#include "display/overview_layout.h"

#include <gtest/gtest.h>

namespace korvel {
namespace {

// Statistics with camera-A particles in the given minutes, count each.
MinuteStatistics with_particles(std::initializer_list<std::pair<int64_t, int>> minutes) {
    MinuteStatistics stats(1000.0);
    for (const auto& [minute, count] : minutes) {
        Particle p;
        p.owner = 'V';
        // Minutes are truncated toward zero: minute -1 holds the lines -119999 to -60000.
        p.y_first = static_cast<double>(minute) * 60000.0 + (minute < 0 ? -1.0 : 1.0);
        for (int i = 0; i < count; ++i) stats.on_wait(Camera::A, p);
    }
    return stats;
}

TEST(OverviewLayout, TheDayRunsAcrossThePlotAndMinutesMapBothWays) {
    const MinuteStatistics stats = with_particles({{600, 37}});
    const OverviewLayout layout(
        stats, 1440 + OverviewLayout::kLeftMargin + OverviewLayout::kRightMargin, 400);
    EXPECT_EQ(layout.first_minute(), 0);
    EXPECT_EQ(layout.end_minute(), 1440);
    const OverviewRect& plot = layout.plot();
    EXPECT_DOUBLE_EQ(plot.width, 1440.0);  // one unit a minute
    EXPECT_DOUBLE_EQ(layout.x_of(0), plot.left);
    EXPECT_DOUBLE_EQ(layout.x_of(1440), plot.right());
    const double y = plot.top + 10;
    for (int64_t minute : {0, 1, 599, 600, 1439}) {
        EXPECT_EQ(layout.minute_at(layout.x_of(minute) + 0.5, y), minute);
    }
    EXPECT_EQ(layout.minute_at(plot.left - 1, y), std::nullopt);
    EXPECT_EQ(layout.minute_at(plot.right(), y), std::nullopt);
    EXPECT_EQ(layout.minute_at(plot.left + 5, plot.bottom() + 1), std::nullopt);
    // The top is a round number above the peak, with room to spare.
    EXPECT_EQ(layout.top_count(), 40);  // the peak and a tenth more, rounded up
    EXPECT_DOUBLE_EQ(layout.y_of(0), plot.bottom());
    EXPECT_DOUBLE_EQ(layout.y_of(40), plot.top);
}

TEST(OverviewLayout, DataPastMidnightWidensTheAxisByWholeHours) {
    const struct {
        int64_t minute;
        int64_t first, end;
    } cases[] = {
        {0, 0, 1440},    {1439, 0, 1440},   {1440, 0, 1500},       {1501, 0, 1560},
        {-1, -60, 1440}, {-61, -120, 1440}, {100000000, 0, 14400},  // years away: held to ten days
    };
    for (const auto& c : cases) {
        const OverviewLayout layout(with_particles({{c.minute, 1}}), 800, 300);
        EXPECT_EQ(layout.first_minute(), c.first) << c.minute;
        EXPECT_EQ(layout.end_minute(), c.end) << c.minute;
    }
}

TEST(OverviewLayout, HourTicksAreLabelledAsOftenAsTheyFit) {
    const MinuteStatistics stats = with_particles({{60, 5}});
    const struct {
        double width;
        int labelled_every;
    } cases[] = {{24 * 44 + 80, 1}, {24 * 30 + 80, 2}, {24 * 12 + 80, 4}, {24 * 4 + 80, 12}};
    for (const auto& c : cases) {
        const OverviewLayout layout(stats, c.width, 300);
        const auto ticks = layout.hour_ticks();
        ASSERT_EQ(ticks.size(), 25u);
        for (size_t h = 0; h < ticks.size(); ++h) {
            const bool labelled = h % static_cast<size_t>(c.labelled_every) == 0;
            EXPECT_EQ(!ticks[h].label.empty(), labelled) << c.width << " hour " << h;
        }
        EXPECT_EQ(ticks[0].label, "00:00");
        EXPECT_EQ(ticks[24].label, "24:00");
    }
}

TEST(OverviewLayout, CountTicksAreRoundStepsUpToTheTop) {
    const struct {
        int peak;
        int64_t top;
        std::vector<std::string> labels;
    } cases[] = {
        {0, 10, {"0", "2", "4", "6", "8", "10"}},
        {9, 10, {"0", "2", "4", "6", "8", "10"}},
        {14, 20, {"0", "5", "10", "15", "20"}},
        {205, 300, {"0", "50", "100", "150", "200", "250", "300"}},
        {2800, 4000, {"0", "1000", "2000", "3000", "4000"}},
    };
    for (const auto& c : cases) {
        const OverviewLayout layout(with_particles({{1, c.peak}}), 800, 300);
        EXPECT_EQ(layout.top_count(), c.top) << c.peak;
        std::vector<std::string> labels;
        double previous = 1e9;
        for (const auto& t : layout.count_ticks()) {
            labels.push_back(t.label);
            EXPECT_LT(t.at, previous);  // upward on the screen
            previous = t.at;
        }
        EXPECT_EQ(labels, c.labels) << c.peak;
    }
}

TEST(OverviewLayout, TheAxisFitsTheMinutesWithData) {
    const struct {
        std::initializer_list<std::pair<int64_t, int>> minutes;
        MinuteSpan fitted;
    } cases[] = {
        {{{720, 3}, {721, 2}}, {716, 726}},  // two minutes: ten, the data in the middle
        {{{779, 1}}, {775, 785}},            // one minute
        {{{720, 1}, {729, 1}}, {720, 730}},  // exactly ten
        {{{720, 1}, {735, 1}}, {720, 736}},  // under an hour: to the minute
        {{{723, 1}, {786, 1}}, {720, 790}},  // an hour or more: on ten minutes
        {{{130, 1}, {600, 1}}, {120, 660}},  // six hours or more: on whole hours
        {{{0, 1}, {1439, 1}}, {0, 1440}},    // a whole day
        {{{-1, 1}, {30, 1}}, {-1, 31}},      // across midnight before the day
        {{{-61, 1}, {1, 1}}, {-70, 10}},    {{}, {0, 1440}},  // no data: the day
        {{{100000000, 1}}, {14395, 14405}},                   // years away: held to ten days
    };
    for (const auto& c : cases) {
        const MinuteStatistics stats = with_particles(c.minutes);
        const MinuteSpan span = fitted_span(stats);
        EXPECT_EQ(span, c.fitted) << span.first << " " << span.end;
        const OverviewLayout layout(stats, 800, 300, span);
        EXPECT_EQ(layout.first_minute(), c.fitted.first);
        EXPECT_EQ(layout.end_minute(), c.fitted.end);
    }
}

TEST(OverviewLayout, ZoomKeepsTheAnchorAndPanStaysInside) {
    const MinuteSpan whole{0, 1440};
    const struct {
        MinuteSpan span;
        double factor, anchor;
        MinuteSpan zoomed;
    } zooms[] = {
        {{0, 1440}, 0.5, 0.5, {360, 1080}},   // in, around the middle
        {{0, 1440}, 0.5, 0.0, {0, 720}},      // around the left edge
        {{600, 660}, 0.01, 0.5, {625, 635}},  // never below ten minutes
        {{600, 660}, 100, 0.5, {0, 1440}},    // never beyond the whole
        {{1400, 1440}, 2, 1.0, {1360, 1440}},
    };
    for (const auto& z : zooms) {
        EXPECT_EQ(zoomed_span(z.span, z.factor, z.anchor, whole), z.zoomed) << z.factor;
    }
    const struct {
        int64_t by;
        MinuteSpan panned;
    } pans[] = {{100, {200, 300}}, {-150, {0, 100}}, {2000, {1340, 1440}}};
    for (const auto& p : pans) {
        EXPECT_EQ(panned_span({100, 200}, p.by, whole), p.panned) << p.by;
    }
}

TEST(OverviewLayout, AShortSpanHasMinuteTicks) {
    const MinuteStatistics stats = with_particles({{721, 5}});
    const OverviewLayout layout(stats, 60 * 12 + 80, 300, MinuteSpan{720, 780});
    std::vector<std::string> labels;
    for (const auto& t : layout.hour_ticks()) {
        if (!t.label.empty()) labels.push_back(t.label);
    }
    EXPECT_EQ(labels, std::vector<std::string>({"12:00", "12:05", "12:10", "12:15", "12:20",
                                                "12:25", "12:30", "12:35", "12:40", "12:45",
                                                "12:50", "12:55", "13:00"}));
}

}  // namespace
}  // namespace korvel
