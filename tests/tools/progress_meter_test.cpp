#include "progress_meter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace korvel {
namespace {

// What the meter wrote to a scratch file.
std::string written(std::FILE* f) {
    std::fflush(f);
    std::string text(static_cast<size_t>(std::ftell(f)), '\0');
    std::rewind(f);
    text.resize(std::fread(text.data(), 1, text.size(), f));
    return text;
}

TEST(ProgressMeter, ShowsThePercentOnOneLineAndClearsItAtTheEnd) {
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    {
        ProgressMeter meter(f, "abgen", true, std::chrono::seconds(0));
        meter.update(0.427);
        meter.update(0.9);  // within a quarter second: not shown
        meter.finish();
    }
    EXPECT_EQ(written(f), "\rabgen:  42%\r           \r");
    std::fclose(f);
}

TEST(ProgressMeter, StaysSilentWhenOffOrBeforeItsFirstSecond) {
    for (const bool on : {false, true}) {
        std::FILE* f = std::tmpfile();
        ASSERT_NE(f, nullptr);
        ProgressMeter meter(f, "abgen", on,
                            on ? std::chrono::seconds(60) : std::chrono::seconds(0));
        meter.update(0.5);
        meter.finish();
        EXPECT_EQ(written(f), "") << on;
        std::fclose(f);
    }
}

}  // namespace
}  // namespace korvel
