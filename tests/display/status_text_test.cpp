#include "display/status_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace korvel {
namespace {

TEST(GroupDigits, FourGroupsOfThreeWithAnUnboundedFirstGroup) {
    const std::pair<double, const char*> cases[] = {
        {0, "0.000.000.000"},
        {999, "0.000.000.999"},
        {1000, "0.000.001.000"},
        {1234567, "0.001.234.567"},
        {4294967295.0, "4.294.967.295"},
        {1234567890123.0, "1234.567.890.123"},
        {1000.9, "0.000.001.000"},  // truncated, not rounded
        {NAN, "0.000.000.000"},     // a damaged line number gives a text, not undefined
    };
    for (const auto& [value, text] : cases) {
        EXPECT_EQ(group_digits(value), text) << value;
        if (value >= 0 && value < 4294967296.0 && value == std::floor(value)) {
            EXPECT_EQ(group_digits(static_cast<uint32_t>(value)), text) << value;
        }
    }
}

TEST(TimeOfLine, TimeOfDayWithHoursThatDoNotWrap) {
    const std::pair<double, const char*> at_1000[] = {
        {0, "00:00:00.000"},        {3723456, "01:02:03.456"},    {86399999, "23:59:59.999"},
        {86400000, "24:00:00.000"}, {360000000, "100:00:00.000"}, {3600061001.0, "1000:01:01.001"},
    };
    for (const auto& [line, text] : at_1000) EXPECT_EQ(time_of_line(line, 1000), text) << line;
    EXPECT_EQ(time_of_line(432199804, 10000), "12:00:19.980");
    EXPECT_EQ(time_row(3723456, 1000), "time          =  01:02:03.456");
    EXPECT_EQ(total_lines_row(17353), "total lines   = 0.000.017.353");
}

TEST(StatusFont, TwentyFourPointsAsANegativeCharacterHeight) {
    EXPECT_EQ(status_font_height(96), -32);
    EXPECT_EQ(status_font_height(120), -40);
    EXPECT_EQ(status_font_height(100), -33);  // integer division before the sign change
}

}  // namespace
}  // namespace korvel
