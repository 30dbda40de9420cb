#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>

#include "common/number_text.h"

namespace korvel {
namespace {

TEST(NumberText, WholeNumbersAreDigitsAloneWithinTheirRange) {
    const struct {
        const char* text;
        uint64_t low, high;
        std::optional<uint64_t> want;
    } cases[] = {
        {"16", 1, 100, 16},
        {"007", 0, 10, 7},
        {"0", 0, 5, 0},
        {"0", 1, 5, std::nullopt},
        {"6", 1, 5, std::nullopt},
        {"18446744073709551615", 0, UINT64_MAX, UINT64_MAX},
        {"18446744073709551616", 0, UINT64_MAX, std::nullopt},  // one beyond 64 bits
        {"99999999999999999999999", 0, UINT64_MAX, std::nullopt},
        {"", 0, 9, std::nullopt},
        {"0x10", 0, 100, std::nullopt},
        {"+5", 0, 9, std::nullopt},
        {"-0", 0, 9, std::nullopt},
        {" 5", 0, 9, std::nullopt},
        {"5 ", 0, 9, std::nullopt},
        {"1e2", 0, 1000, std::nullopt},
        {"5.0", 0, 9, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_whole_number(c.text, c.low, c.high), c.want) << c.text;
}

TEST(NumberText, DecimalsAreDigitsWithOnePointWithinTheirRange) {
    const struct {
        const char* text;
        std::optional<double> want;  // within (0, 86400]
    } cases[] = {
        {"10", 10.0},           {"0.5", 0.5},          {"2.", 2.0},
        {"86400", 86400.0},     {"0", std::nullopt},   {"86400.5", std::nullopt},
        {"0x10", std::nullopt}, {"1e1", std::nullopt}, {"inf", std::nullopt},
        {"nan", std::nullopt},  {".5", std::nullopt},  {"1.2.3", std::nullopt},
        {"-1", std::nullopt},   {"+1", std::nullopt},  {" 1", std::nullopt},
        {".", std::nullopt},    {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse_decimal_number(c.text, 0.0, 86400.0), c.want) << c.text;
}

}  // namespace
}  // namespace korvel
