#include "codec/line_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "common/little_endian.h"
#include "support/line_builders.h"

namespace korvel {
namespace {

using test::decode;
using test::describe;
using test::make_line;

// The header words of an encoded payload's blocks, in order.
std::vector<uint32_t> block_words(const std::vector<uint8_t>& payload) {
    std::vector<uint32_t> words;
    size_t pos = 2;
    while (pos + 4 <= payload.size()) {
        const uint32_t word = load_u32(payload.data() + pos);
        words.push_back(word);
        pos += word & 0x3FFFu;
        if ((word & 0x3FFFu) == 0) break;
    }
    EXPECT_EQ(pos, payload.size()) << "blocks do not tile the payload";
    return words;
}

int block_length(uint32_t word) {
    return static_cast<int>(word & 0x3FFFu);
}
int gap_bits(uint32_t word) {
    return static_cast<int>(word >> 28);
}
int run_bits(uint32_t word) {
    return static_cast<int>((word >> 24) & 0xFu);
}

std::vector<uint8_t> encode(const std::vector<LineEntry>& lines, int16_t version,
                            const EncodeOptions& options = {}) {
    std::vector<uint8_t> out{0xAA};  // the encoder appends behind what is there
    const size_t size = encode_record(lines, version, out, options);
    EXPECT_EQ(size, out.size() - 1);
    EXPECT_EQ(out[0], 0xAA);
    return std::vector<uint8_t>(out.begin() + 1, out.end());
}

// Encodes and decodes the lines and expects them back unchanged.
std::vector<uint8_t> expect_round_trip(const std::vector<LineEntry>& lines, int16_t version,
                                       const EncodeOptions& options = {}) {
    const auto payload = encode(lines, version, options);
    const auto d = decode(payload, version);
    EXPECT_EQ(d.result, lines.empty() ? 0 : 1);
    EXPECT_EQ(describe(d.lines), describe(lines));
    for (uint32_t word : block_words(payload)) {
        EXPECT_LE(block_length(word), 16383);
        EXPECT_GE(gap_bits(word), options.min_gap_bits);
        EXPECT_GE(run_bits(word), options.min_run_bits);
    }
    return payload;
}

// --- Exact bytes ------------------------------------------------------------------------

TEST(LineEncoderBytes, ChoosesOriginAndNarrowestCodes) {
    // Origin 100 (the smallest first start), gaps up to 5 need 4 bits, runs up to 3 need 3
    // bits; the second line is a repeat code.
    const std::vector<LineEntry> lines{make_line(1000, {{105, 108}, {110, 111}}),
                                       make_line(1001, {{105, 108}, {110, 111}}),
                                       make_line(1002, {{100, 100}})};
    const std::vector<uint8_t> expected{0x03, 0x00, 0x0C, 0x00, 0x19, 0x43, 0xE8,
                                        0x03, 0x00, 0x00, 0x35, 0x69, 0x02, 0x11};
    EXPECT_EQ(encode(lines, 1), expected);
    EXPECT_EQ(encode({}, 0), (std::vector<uint8_t>{0x00, 0x00}));
}

// --- Lines the format cannot carry ----------------------------------------------------

TEST(LineEncoderRejects, LinesTheFormatCannotCarry) {
    const LineEntry ok = make_line(10, {{5, 9}});
    LineEntry none = ok;
    none.segment_count = 0;
    LineEntry seven = make_line(11, {{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}});
    seven.segment_count = 7;
    struct Case {
        const char* what;
        std::vector<LineEntry> lines;
        int16_t version;
    };
    const std::vector<Case> cases = {
        {"no runs", {none}, 1},
        {"seven runs", {seven}, 1},
        {"negative start", {make_line(10, {{-1, 3}})}, 1},
        {"end before start", {make_line(10, {{8, 3}})}, 1},
        {"overlapping runs", {make_line(10, {{0, 8}, {7, 9}})}, 1},
        {"run too long", {make_line(10, {{0, 16384}})}, 1},
        {"gap too long", {make_line(10, {{0, 0}, {16385, 16385}})}, 1},
        {"first run beyond any origin", {make_line(10, {{17407, 17407}})}, 1},
        {"line numbers falling", {ok, make_line(9, {{5, 9}})}, 2},
        {"line number repeated", {ok, make_line(10, {{5, 9}})}, 2},
        {"fractional line number in version 1", {make_line(10.5, {{5, 9}})}, 1},
        {"negative line number in version 0", {make_line(-1, {{5, 9}})}, 0},
        {"line number above u32 in version 0", {make_line(4294967296.0, {{5, 9}})}, 0},
        {"infinite line number in version 2", {make_line(1.0 / 0.0, {{5, 9}})}, 2},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> out;
        EXPECT_THROW(encode_record(c.lines, c.version, out), std::invalid_argument) << c.what;
    }

    std::vector<LineEntry> too_many;
    for (int i = 0; i < 2001; ++i) too_many.push_back(make_line(i, {{1, 2}}));
    std::vector<uint8_t> out;
    EXPECT_THROW(encode_record(too_many, 2, out), std::invalid_argument);
    EXPECT_THROW(encode_record({}, 1, out, EncodeOptions{.min_gap_bits = 16}),
                 std::invalid_argument);

    // The extremes that still fit.
    expect_round_trip({make_line(4294967295.0, {{17406, 17406}, {32767 - 1, 32767}})}, 0);
    expect_round_trip(std::vector<LineEntry>(too_many.begin(), too_many.end() - 1), 1);
}

// --- Round trips ------------------------------------------------------------------------

TEST(LineEncoderRoundTrip, RandomLinesUnderEveryHeaderVersion) {
    for (uint32_t seed = 1; seed <= 150; ++seed) {
        std::mt19937 rng(seed);
        test::RandomLineShape shape;
        shape.count = 1 + static_cast<int>(rng() % 400);
        shape.max_coordinate = seed % 3 == 0 ? 30000 : 1100;
        for (int16_t version : {0, 1, 2}) {
            shape.fractional = version == 2 && seed % 2 == 0;
            const auto lines = test::random_lines(rng, shape);
            SCOPED_TRACE(testing::Message() << "seed " << seed << ", version " << version);
            expect_round_trip(lines, version);
            expect_round_trip(lines, version, EncodeOptions{.use_repeats = false});
            expect_round_trip(lines, version,
                              EncodeOptions{.min_gap_bits = 15, .min_run_bits = 15});
        }
    }
}

TEST(LineEncoderRoundTrip, OneBitGapCodesWriteRepeatedLinesAgain) {
    // Every line has one run at the same start, so every gap is 0.
    std::vector<LineEntry> lines;
    for (int i = 0; i < 40; ++i) lines.push_back(make_line(500 + i, {{37, 37 + i % 3}}));
    for (int i = 40; i < 45; ++i) lines.push_back(make_line(500 + i, {{37, 39}}));
    const auto payload = expect_round_trip(lines, 1);
    const auto words = block_words(payload);
    ASSERT_EQ(words.size(), 1u);
    EXPECT_EQ(gap_bits(words[0]), 1);
    EXPECT_EQ((words[0] >> 14) & 0x3FFu, 37u);

    // Runs touching each other (a gap of 0 within the line) also fit 1-bit gap codes.
    expect_round_trip(
        {make_line(7, {{0, 3}, {3, 5}, {5, 5}}), make_line(8, {{0, 3}, {3, 5}, {5, 5}})}, 2);
}

TEST(LineEncoderRoundTrip, LongRepeatRunsTakeSeveralCodes) {
    // With 2-bit gap codes each repeat code gives one line; with 4 bits up to 7 lines.
    for (int gap : {1, 4}) {
        std::vector<LineEntry> lines{make_line(100, {{200, 210}, {210 + gap, 220}})};
        for (int i = 1; i < 1999; ++i) {
            LineEntry again = lines.front();
            again.y_count = 100 + i;
            lines.push_back(again);
        }
        lines.push_back(make_line(2099, {{200, 200}}));
        const auto payload = expect_round_trip(lines, 1);
        const auto words = block_words(payload);
        ASSERT_EQ(words.size(), 1u);
        const int bits = gap_bits(words[0]);
        EXPECT_EQ(bits, gap == 1 ? 2 : 4);
        const int repeat_codes = (1998 + (1 << (bits - 1)) - 2) / ((1 << (bits - 1)) - 1);
        const int packed_bits = 2 * (bits + 5) + repeat_codes * bits + (bits + 5) + bits;
        EXPECT_EQ(block_length(words[0]), 8 + (packed_bits + 7) / 8);
    }
}

TEST(LineEncoderRoundTrip, RepeatCodesReachBackAcrossALineNumberSkip) {
    const std::vector<LineEntry> lines{make_line(10, {{40, 47}}), make_line(11, {{40, 47}}),
                                       make_line(90, {{40, 47}}), make_line(91, {{40, 47}}),
                                       make_line(92, {{45, 45}})};
    const auto payload = expect_round_trip(lines, 2);
    const auto words = block_words(payload);
    ASSERT_EQ(words.size(), 2u);
    // The second block (origin 40, a gap of 5: 4-bit gap codes) opens with a repeat code
    // of 2.
    const size_t second_data = 2 + block_length(words[0]) + 12;
    const int bits = gap_bits(words[1]);
    ASSERT_EQ(bits, 4);
    const uint32_t first_code = payload[second_data] & ((1u << bits) - 1);
    EXPECT_EQ(first_code, 2u | (1u << (bits - 1)));
}

// 6 runs per line and 15-bit codes: 180 bits a line, so a block holds 727 of them.
std::vector<LineEntry> wide_lines(int count, double first_y) {
    std::vector<LineEntry> lines;
    for (int i = 0; i < count; ++i) {
        const int w = i % 5;
        lines.push_back(make_line(
            first_y + i, {{10, 10 + w}, {20, 21}, {30, 30 + w}, {40, 40}, {50, 51 + w}, {60, 60}}));
    }
    return lines;
}

TEST(LineEncoderRoundTrip, BlocksSplitWhereTheirLengthWouldOverflow) {
    const EncodeOptions wide{.min_gap_bits = 15, .min_run_bits = 15};
    for (int16_t version : {1, 2}) {
        const auto payload = expect_round_trip(wide_lines(2000, 7), version, wide);
        const auto words = block_words(payload);
        ASSERT_EQ(words.size(), 3u);
        // The first two blocks are full: one more line (23 bytes) would not fit.
        for (int b = 0; b < 2; ++b) EXPECT_GT(block_length(words[b]) + 23, 16383);
    }
}

TEST(LineEncoderRoundTrip, ARepeatCodeOpensABlockSplitByLength) {
    // 1280 distinct lines of 102 bits (2-bit gaps, 15-bit runs) and 720 repeats of 2 bits
    // each: the first block fills up inside the repeats, so the second block's first code
    // repeats the last line of the first block, on the next line number.
    std::vector<LineEntry> lines;
    for (int i = 0; i < 1280; ++i) {
        const int w = i % 7;
        lines.push_back(
            make_line(i, {{3, 3 + w}, {4 + w, 30}, {30, 30}, {31, 33}, {34, 34}, {35, 40}}));
    }
    for (int i = 1280; i < 2000; ++i) {
        LineEntry again = lines.back();
        again.y_count = i;
        lines.push_back(again);
    }
    const auto payload = expect_round_trip(lines, 0, EncodeOptions{.min_run_bits = 15});
    const auto words = block_words(payload);
    ASSERT_EQ(words.size(), 2u);
    EXPECT_EQ(gap_bits(words[1]), 2);
    const size_t second = 2 + block_length(words[0]);
    const double second_y = load_u32(payload.data() + second + 4);
    EXPECT_GT(second_y, 1280.0);
    EXPECT_EQ(payload[second + 8] & 0x3u, 0x3u);  // value 1, flag 1
}

}  // namespace
}  // namespace korvel
