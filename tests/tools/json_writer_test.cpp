#include "json_writer.h"

#include <gtest/gtest.h>

#include <string>

namespace korvel::replay {
namespace {

std::string quoted(const std::string& text) {
    std::string out;
    JsonLine::append_string(out, text);
    return out;
}

// Well-formed UTF-8 passes through; every byte that is not part of it becomes \u00XX.
TEST(JsonStrings, BytesThatAreNotUtf8BecomeEscapesOfTheirValue) {
    struct Case {
        const char* what;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"ASCII", "abc", "\"abc\""},
        {"two-byte", "\xc3\xa4", "\"\xc3\xa4\""},
        {"three-byte", "\xe2\x82\xac", "\"\xe2\x82\xac\""},
        {"four-byte", "\xf0\x9f\x98\x80", "\"\xf0\x9f\x98\x80\""},
        {"latin-1 byte", "caf\xe9", "\"caf\\u00e9\""},
        {"lone continuation", "\x80x", "\"\\u0080x\""},
        {"overlong slash", "\xc0\xaf", "\"\\u00c0\\u00af\""},
        {"overlong three-byte", "\xe0\x80\xaf", "\"\\u00e0\\u0080\\u00af\""},
        {"surrogate", "\xed\xa0\x80", "\"\\u00ed\\u00a0\\u0080\""},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80", "\"\\u00f4\\u0090\\u0080\\u0080\""},
        {"cut short at the end", "a\xe2\x82", "\"a\\u00e2\\u0082\""},
        {"cut short before ASCII", "\xe2\x82z", "\"\\u00e2\\u0082z\""},
        {"0xFF", "\xff", "\"\\u00ff\""},
        {"control and quote", "\x01\"\\", "\"\\u0001\\\"\\\\\""},
    };
    for (const Case& c : cases) EXPECT_EQ(quoted(c.in), c.out) << c.what;
}

}  // namespace
}  // namespace korvel::replay
