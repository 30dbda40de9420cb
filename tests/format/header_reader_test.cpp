#include "format/header_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>
#include <string>
#include <vector>

#include "common/little_endian.h"
#include "io/memory_source.h"
#include "support/fatal_text.h"
#include "support/record_bytes.h"

namespace korvel {
namespace {

using test::fatal_text;

HeaderInfo read_bytes(const std::vector<uint8_t>& file, HeaderArea& area) {
    MemorySource source(file);
    return read_header(source, area);
}

std::string header_error(const std::vector<uint8_t>& file) {
    HeaderArea area;
    return fatal_text([&] { read_bytes(file, area); });
}

void expect_date(const CivilDate& d, int year, int month, int day) {
    EXPECT_EQ(d.year, year);
    EXPECT_EQ(d.month, month);
    EXPECT_EQ(d.day, day);
}

TEST(HeaderReader, Version0CopiesEveryFieldAndTruncatesTheRate) {
    const std::vector<uint8_t> p = test::header_v0_payload(1193, 951782400);
    std::vector<uint8_t> file = test::record_bytes(0, p);
    test::append_record(file, 1, {1, 2, 3});  // a camera record after the header is not read
    HeaderArea area;
    const HeaderInfo info = read_bytes(file, area);
    EXPECT_EQ(info.header_version, 0);
    EXPECT_EQ(info.line_rate, 1000.0);  // 1193180 / 1193 = 1000.15..., truncated first
    EXPECT_EQ(info.line_width, 512);
    EXPECT_EQ(info.start_time, 951782400);
    expect_date(info.date, 2000, 2, 29);

    const HeaderFieldsV0& h = area.v0;
    const uint8_t* b = p.data();
    EXPECT_EQ(h.w0, load_u16(b + 0));
    EXPECT_EQ(h.w2, load_u16(b + 2));
    EXPECT_EQ(h.rate_divisor, 1193);
    EXPECT_EQ(h.w6, load_u16(b + 6));
    EXPECT_EQ(h.w8, load_u16(b + 8));
    EXPECT_EQ(h.d10, load_u32(b + 10));
    EXPECT_EQ(h.d14, load_u32(b + 14));
    EXPECT_EQ(h.d18, load_u32(b + 18));
    EXPECT_EQ(h.d22, load_u32(b + 22));
    EXPECT_EQ(h.d26, load_u32(b + 26));
    EXPECT_EQ(h.w30, load_u16(b + 30));
    EXPECT_EQ(h.w32, load_u16(b + 32));
    EXPECT_EQ(h.start_time, 951782400);
}

TEST(HeaderReader, Version0DivisorOneGivesTheFullClock) {
    HeaderArea area;
    EXPECT_EQ(read_bytes(test::header_v0_record(1, 0), area).line_rate, 1193180.0);
}

// Versions 1 and 2 share the field list; version 2 has half_width at 14 and the rest 2 later.
void expect_v12_fields(const HeaderFieldsV12& h, const uint8_t* b, int shift) {
    EXPECT_EQ(h.w0, load_u16(b + 0));
    EXPECT_EQ(h.w2, load_u16(b + 2));
    EXPECT_EQ(h.w4, load_u16(b + 4));
    EXPECT_EQ(h.w14, load_u16(b + shift + 14));
    EXPECT_EQ(h.w16, load_u16(b + shift + 16));
    EXPECT_EQ(h.d18, load_u32(b + shift + 18));
    EXPECT_EQ(h.d22, load_u32(b + shift + 22));
    EXPECT_EQ(h.d26, load_u32(b + shift + 26));
    EXPECT_EQ(h.d30, load_u32(b + shift + 30));
    EXPECT_EQ(h.d34, load_u32(b + shift + 34));
    EXPECT_EQ(h.d38, load_u32(b + shift + 38));
    EXPECT_EQ(h.d42, load_u32(b + shift + 42));
    EXPECT_EQ(h.w46, load_u16(b + shift + 46));
    EXPECT_EQ(h.w48, load_u16(b + shift + 48));
}

TEST(HeaderReader, Version1TakesTheStoredRateAndWidth512) {
    const std::vector<uint8_t> p = test::header_v1_payload(12345.678, -86400);
    HeaderArea area;
    const HeaderInfo info = read_bytes(test::record_bytes(0, p), area);
    EXPECT_EQ(info.header_version, 1);
    EXPECT_EQ(info.line_rate, 12345.678);
    EXPECT_EQ(info.line_width, 512);
    EXPECT_EQ(info.start_time, -86400);
    expect_date(info.date, 1969, 12, 31);
    EXPECT_EQ(area.v12.line_rate, 12345.678);
    EXPECT_EQ(area.v12.half_width, 0);
    EXPECT_EQ(area.v12.start_time, -86400);
    expect_v12_fields(area.v12, p.data(), 0);
}

TEST(HeaderReader, Version2WidthIsTwiceTheHalfWidth) {
    const std::vector<uint8_t> p = test::header_v2_payload(2000.5, 300, 68169600);
    HeaderArea area;
    const HeaderInfo info = read_bytes(test::record_bytes(0, p), area);
    EXPECT_EQ(info.header_version, 2);
    EXPECT_EQ(info.line_rate, 2000.5);
    EXPECT_EQ(info.line_width, 600);
    EXPECT_EQ(info.start_time, 68169600);
    expect_date(info.date, 1972, 2, 29);
    EXPECT_EQ(area.v12.half_width, 300);
    EXPECT_EQ(area.v12.start_time, 68169600);
    expect_v12_fields(area.v12, p.data(), 2);

    // The largest half width still gives a positive 16-bit line width.
    EXPECT_EQ(read_bytes(test::header_v2_record(1.0, 16383, 0), area).line_width, 32766);
}

TEST(HeaderReader, RecordCutShortGivesTheOpeningErrors) {
    const std::vector<uint8_t> full = test::header_v2_record(1000.0, 256, 0);
    for (size_t cut = 0; cut < full.size(); ++cut) {
        const char* want = cut < 2 ? "eval_arg41" : cut < 4 ? "eval_arg42" : "eval_arg43";
        EXPECT_EQ(header_error(std::vector<uint8_t>(full.begin(), full.begin() + cut)), want)
            << cut;
    }
    std::vector<uint8_t> negative;
    test::append_record(negative, 0, -1, test::header_v0_payload(1193, 0));
    EXPECT_EQ(header_error(negative), "eval_arg43");
}

TEST(HeaderReader, UnusableHeadersAreRejectedWithTheirValue) {
    struct Case {
        std::vector<uint8_t> file;
        const char* names;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Case> cases = {
        {test::record_bytes(0, std::vector<uint8_t>(40)), "40 bytes"},
        {test::record_bytes(0, {}), "0 bytes"},
        {test::record_bytes(0, std::vector<uint8_t>(30000)), "30000 bytes"},
        {test::header_v0_record(0, 0), "divisor 0"},
        {test::header_v0_record(-5, 0), "divisor -5"},
        {test::header_v1_record(0.0, 0), "rate 0"},
        {test::header_v1_record(-1.0, 0), "rate -1"},
        {test::header_v1_record(nan, 0), "rate "},
        {test::header_v2_record(inf, 300, 0), "rate inf"},
        {test::header_v2_record(1000.0, 0, 0), "width 0"},
        {test::header_v2_record(1000.0, -1, 0), "width -1"},
        {test::header_v2_record(1000.0, 16384, 0), "width 16384"},
    };
    for (const Case& c : cases) {
        const std::string text = header_error(c.file);
        EXPECT_NE(text.find(c.names), std::string::npos) << text;
        EXPECT_EQ(text.rfind("eval_arg", 0), std::string::npos) << text;
    }
}

TEST(HeaderReader, RejectedHalfWidthLeavesTheHeaderAreaAlone) {
    HeaderArea area;
    area.v12.w0 = 77;
    const std::vector<uint8_t> p = test::header_v2_payload(1000.0, 20000, 0);
    EXPECT_NE(fatal_text([&] { parse_header(area, p.data(), 2); }), "<no error>");
    EXPECT_EQ(area.v12.w0, 77);
}

TEST(UtcDate, KnownDatesAroundLeapDaysAndTheEpoch) {
    expect_date(utc_date(0), 1970, 1, 1);
    expect_date(utc_date(86399), 1970, 1, 1);
    expect_date(utc_date(-1), 1969, 12, 31);
    expect_date(utc_date(951782400), 2000, 2, 29);  // 400-year rule: a leap year
    expect_date(utc_date(951868800 - 1), 2000, 2, 29);
    expect_date(utc_date(951868800), 2000, 3, 1);
    expect_date(utc_date(-2203977600), 1900, 2, 28);  // 100-year rule: no leap day
    expect_date(utc_date(-2203891200), 1900, 3, 1);
    expect_date(utc_date(-310521600), 1960, 2, 29);
    expect_date(utc_date(std::numeric_limits<int32_t>::min()), 1901, 12, 13);
    expect_date(utc_date(std::numeric_limits<int32_t>::max()), 2038, 1, 19);
}

TEST(UtcDate, AgreesWithTheCLibraryOverTwoCenturies) {
    // Every 13th hour from 1870 to 2070, so every day and both sides of midnight are hit.
    for (int64_t t = -3155760000; t < 3155760000; t += 13 * 3600 + 17) {
        const time_t tt = static_cast<time_t>(t);
        struct tm tm {};
        ASSERT_NE(gmtime_r(&tt, &tm), nullptr);
        const CivilDate d = utc_date(t);
        ASSERT_EQ(d.year, tm.tm_year + 1900) << t;
        ASSERT_EQ(d.month, tm.tm_mon + 1) << t;
        ASSERT_EQ(d.day, tm.tm_mday) << t;
    }
}

}  // namespace
}  // namespace korvel
