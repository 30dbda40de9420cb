#include "display/status_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace korvel {
namespace {

struct GroupCase {
    double value;
    const char* text;
};

TEST(GroupDigits, FourGroupsOfThreeWithAnUnboundedFirstGroup) {
    const GroupCase cases[] = {
        {0, "0.000.000.000"},
        {999, "0.000.000.999"},
        {1000, "0.000.001.000"},
        {1234567, "0.001.234.567"},
        {4294967295.0, "4.294.967.295"},
        {432199804, "0.432.199.804"},
        {999999999999.0, "999.999.999.999"},
        {1234567890123.0, "1234.567.890.123"},
        {1000.9, "0.000.001.000"},  // truncated, not rounded
    };
    for (const GroupCase& c : cases) {
        EXPECT_EQ(group_digits(c.value), c.text) << c.value;
        if (c.value <= 4294967295.0 && c.value == std::floor(c.value)) {
            EXPECT_EQ(group_digits(static_cast<uint32_t>(c.value)), c.text) << c.value;
        }
    }
}

TEST(GroupDigits, ValuesNoRecordingShouldHoldStayDefined) {
    // Saturating instead of converting out of range; what matters is a text, not a crash.
    EXPECT_EQ(group_digits(std::numeric_limits<double>::quiet_NaN()), "0.000.000.000");
    EXPECT_FALSE(group_digits(1e300).empty());
    EXPECT_FALSE(group_digits(-1e300).empty());
}

struct TimeCase {
    double line;
    double rate;
    const char* text;
};

TEST(TimeOfLine, TimeOfDayWithHoursThatDoNotWrap) {
    const TimeCase cases[] = {
        {0, 10000, "00:00:00.000"},
        {3723456, 1000, "01:02:03.456"},
        {432199804, 10000, "12:00:19.980"},
        {86399999, 1000, "23:59:59.999"},
        {86400000, 1000, "24:00:00.000"},
        {360000000, 1000, "100:00:00.000"},
        {3600000000.0 + 61001, 1000, "1000:01:01.001"},
        {5, 1000, "00:00:00.005"},
    };
    for (const TimeCase& c : cases) EXPECT_EQ(time_of_line(c.line, c.rate), c.text) << c.line;
    EXPECT_FALSE(time_of_line(1000, 0).empty());  // a zero rate gives a text, not a crash
}

TEST(StatusRows, LabelsAlignTheValues) {
    EXPECT_EQ(line_row(1000), "line          = 0.000.001.000");
    EXPECT_EQ(time_row(3723456, 1000), "time          =  01:02:03.456");
    EXPECT_EQ(total_lines_row(17353), "total lines   = 0.000.017.353");
    EXPECT_EQ(file_position_row(4294967295u), "file position = 4.294.967.295");
}

TEST(StatusFont, TwentyFourPointsAsANegativeCharacterHeight) {
    EXPECT_EQ(status_font_height(96), -32);
    EXPECT_EQ(status_font_height(120), -40);
    EXPECT_EQ(status_font_height(100), -33);  // integer division before the sign change
}

}  // namespace
}  // namespace korvel
