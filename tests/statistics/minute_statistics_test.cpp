#include "statistics/minute_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

#include "statistics/minute_csv.h"

namespace korvel {
namespace {

TEST(MinuteOfLine, TruncatesTowardZeroAndHoldsHostileValuesInBounds) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double y;
        double rate;
        int64_t minute;
    } cases[] = {
        {0.0, 1000.0, 0},
        {59999.0, 1000.0, 0},
        {60000.0, 1000.0, 1},
        {3723456.0, 1000.0, 62},  // 01:02:03.456 in the time row
        {86399999.0, 1000.0, 1439},
        {90000000.0, 1000.0, 1500},  // past midnight: the minutes go on
        {-1.0, 1000.0, 0},           // toward zero, as the time row takes it
        {-60000.0, 1000.0, -1},
        {599999.0, 10000.0, 0},
        {600000.0, 10000.0, 1},
        {1e300, 1000.0, int64_t{1} << 50},
        {-1e300, 1000.0, -(int64_t{1} << 50)},
        {inf, 1000.0, 0},
        {nan, 1000.0, 0},
        {5.0, 0.0, 0},  // no usable rate: a quotient of infinity
    };
    for (const Case& c : cases) {
        EXPECT_EQ(minute_of_line(c.y, c.rate), c.minute) << c.y << " at " << c.rate;
    }
}

Particle particle(double y_first, int16_t owner) {
    Particle p;
    p.y_first = y_first;
    p.y_last = y_first + 3;
    p.owner = owner;
    return p;
}

TEST(MinuteStatistics, CountsEachEventInTheMinuteOfItsFirstLine) {
    MinuteStatistics stats(1000.0);
    // A record of camera B starting just before minute 1 and reaching into it counts in 0.
    stats.on_record({Camera::B, 0, 7, 59998.0, 60004.0, true});
    stats.on_record({Camera::A, 0, 4, 60000.0, 60003.0, false});
    stats.on_record({Camera::A, 0, 5, 61000.0, 61004.0, true});
    const Particle a = particle(60500.0, 'V');
    const Particle b = particle(120100.0, 'W');
    stats.on_wait(Camera::A, a);
    stats.on_wait(Camera::B, b);
    // Decisions go by the camera-A particle, or the B particle when there is none.
    stats.on_match(&a, &b, MatchOutcome::pair);
    stats.on_match(&a, &b, MatchOutcome::reject);
    stats.on_match(&a, nullptr, MatchOutcome::drop_a);
    stats.on_match(nullptr, &b, MatchOutcome::drop_b);

    MinuteCounts m0, m1, m2;
    m0.records_b = 1;
    m0.lines_b = 7;
    m0.handed_on = 1;
    m1.records_a = 2;
    m1.lines_a = 9;
    m1.handed_on = 1;
    m1.waited_a = 1;
    m1.pairs = 1;
    m1.rejects = 1;
    m1.drops_a = 1;
    m2.waited_b = 1;
    m2.drops_b = 1;
    const std::map<int64_t, MinuteCounts> expected = {{0, m0}, {1, m1}, {2, m2}};
    EXPECT_EQ(stats.minutes(), expected);

    MinuteCounts all = m0;
    all += m1;
    all += m2;
    EXPECT_EQ(stats.totals(), all);
}

TEST(MinuteStatistics, EventsOutOfMinuteOrderStillLandInTheirOwnMinute) {
    // The cached minute must not swallow an event of another minute.
    MinuteStatistics stats(1000.0);
    for (double y : {60000.0, 0.0, 60001.0, 0.0, 180000.0}) {
        stats.on_record({Camera::A, 0, 1, y, y, true});
    }
    ASSERT_EQ(stats.minutes().size(), 3u);
    EXPECT_EQ(stats.minutes().at(0).records_a, 2);
    EXPECT_EQ(stats.minutes().at(1).records_a, 2);
    EXPECT_EQ(stats.minutes().at(3).records_a, 1);
}

TEST(MinuteCsv, LabelsAndFieldsAreWrittenAsASpreadsheetReadsThem) {
    const struct {
        int64_t minute;
        const char* label;
    } labels[] = {{0, "00:00"},     {61, "01:01"},  {1439, "23:59"}, {1503, "25:03"},
                  {6000, "100:00"}, {-1, "-00:01"}, {-61, "-01:01"}};
    for (const auto& l : labels) EXPECT_EQ(minute_label(l.minute), l.label);

    EXPECT_EQ(csv_field("0607.ab"), "0607.ab");
    EXPECT_EQ(csv_field("rain, heavy.ab"), "\"rain, heavy.ab\"");
    EXPECT_EQ(csv_field("say \"hi\".ab"), "\"say \"\"hi\"\".ab\"");
    EXPECT_EQ(csv_field("two\nlines"), "\"two\nlines\"");
}

TEST(MinuteCsv, EmptyMinutesBetweenDataAreRowsOfZeros) {
    MinuteStatistics stats(1000.0);
    stats.on_record({Camera::A, 0, 4, 120000.0, 120003.0, true});  // 00:02
    stats.on_record({Camera::B, 0, 6, 300000.0, 300005.0, true});  // 00:05
    std::string csv = minute_csv_header(false);
    append_minute_rows(csv, stats);
    EXPECT_EQ(csv,
              "time,records_a,records_b,lines_a,lines_b,waited_a,waited_b,pairs,rejects,drops_a,"
              "drops_b\n"
              "00:02,1,0,4,0,0,0,0,0,0,0\n"
              "00:03,0,0,0,0,0,0,0,0,0,0\n"
              "00:04,0,0,0,0,0,0,0,0,0,0\n"
              "00:05,0,1,0,6,0,0,0,0,0,0\n");

    const std::string name = "a,b.ab";
    std::string with_file = minute_csv_header(true);
    append_minute_rows(with_file, stats, &name);
    EXPECT_EQ(with_file.substr(0, with_file.find('\n')),
              "file,time,records_a,records_b,lines_a,lines_b,waited_a,waited_b,pairs,rejects,"
              "drops_a,drops_b");
    EXPECT_NE(with_file.find("\n\"a,b.ab\",00:03,0,0,"), std::string::npos);
}

TEST(MinuteCsv, AGapOfYearsIsNotFilledWithZeros) {
    MinuteStatistics stats(1000.0);
    stats.on_record({Camera::A, 0, 1, 0.0, 0.0, true});
    stats.on_record({Camera::A, 0, 1, 1e15, 1e15, true});  // a damaged line number
    std::string csv;
    append_minute_rows(csv, stats);
    EXPECT_EQ(csv,
              "00:00,1,0,1,0,0,0,0,0,0,0\n"
              "277777777:46,1,0,1,0,0,0,0,0,0,0\n");

    MinuteStatistics edge(1000.0);
    edge.on_record({Camera::A, 0, 1, 0.0, 0.0, true});
    edge.on_record({Camera::A, 0, 1, kLastFilledMinute * 60000.0, 0.0, true});
    std::string filled;
    append_minute_rows(filled, edge);
    EXPECT_EQ(std::count(filled.begin(), filled.end(), '\n'), kLastFilledMinute + 1);
}

}  // namespace
}  // namespace korvel
