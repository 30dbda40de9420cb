#include "codec/line_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>

#include "codec/line_encoder.h"
#include "common/little_endian.h"
#include "particles/decode_context.h"
#include "support/line_builders.h"

namespace korvel {
namespace {

using test::Code;
using test::decode;
using test::describe;
using test::make_line;
using test::pack_codes;

std::vector<LineEntry> lines_of(std::initializer_list<LineEntry> lines) {
    return lines;
}

// --- The worked examples ---------------------------------------------------------------

TEST(LineDecoderExamples, FourteenBytePayloadUnderVersionsZeroAndOne) {
    const std::vector<uint8_t> payload{0x03, 0x00, 0x0C, 0x00, 0x19, 0x44, 0xE8,
                                       0x03, 0x00, 0x00, 0x35, 0x92, 0x09, 0x88};
    const auto expected =
        lines_of({make_line(1000, {{105, 108}, {110, 111}}),
                  make_line(1001, {{105, 108}, {110, 111}}), make_line(1002, {{100, 100}})});
    for (int16_t version : {0, 1}) {
        const auto d = decode(payload, version);
        EXPECT_EQ(d.result, 1) << "version " << version;
        EXPECT_EQ(describe(d.lines), describe(expected)) << "version " << version;
    }
}

TEST(LineDecoderExamples, SameBlockUnderVersionTwoHasAnEightByteLineNumber) {
    // 1000.0 as a little-endian f64 is 00 00 00 00 00 40 8F 40.
    const std::vector<uint8_t> payload{0x03, 0x00, 0x10, 0x00, 0x19, 0x44, 0x00, 0x00, 0x00,
                                       0x00, 0x00, 0x40, 0x8F, 0x40, 0x35, 0x92, 0x09, 0x88};
    const auto d = decode(payload, 2);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(describe(d.lines), describe(lines_of({make_line(1000, {{105, 108}, {110, 111}}),
                                                    make_line(1001, {{105, 108}, {110, 111}}),
                                                    make_line(1002, {{100, 100}})})));
}

TEST(LineDecoderExamples, WholeCameraARecord) {
    const std::vector<uint8_t> record{0x01, 0x00, 0x0C, 0x00, 0x03, 0x00, 0x0A, 0x00,
                                      0x19, 0x43, 0x88, 0x13, 0x00, 0x00, 0x75, 0x45};
    ASSERT_EQ(load_i16(record.data()), 1);
    const int cmpr_n = load_i16(record.data() + 2);
    ASSERT_EQ(cmpr_n, 12);
    const std::vector<uint8_t> payload(record.begin() + 4, record.begin() + 4 + cmpr_n);
    for (int16_t version : {0, 1}) {
        const auto d = decode(payload, version);
        EXPECT_EQ(d.result, 1);
        EXPECT_EQ(describe(d.lines),
                  describe(lines_of({make_line(5000, {{105, 108}}), make_line(5001, {{105, 108}}),
                                     make_line(5002, {{105, 108}})})));
    }
}

// --- The codes --------------------------------------------------------------------------

// A payload of one version-1 block at x_origin 100, line 10 first, 4-bit codes.
std::vector<uint8_t> one_block(int16_t line_count, std::initializer_list<Code> codes,
                               int gap_bits = 4, int run_bits = 4) {
    auto payload = test::payload_start(line_count);
    test::append_block(payload, 1, 100, run_bits, gap_bits, 10, pack_codes(codes));
    return payload;
}

TEST(LineDecoderCodes, ZeroGapStartsAtOriginAndRepeatsFollowOnTheNextLineNumbers) {
    const auto d =
        decode(one_block(4, {{0, false, 4}, {3, true, 4}, {3, true, 4}, {0, true, 4}}), 1);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(describe(d.lines),
              describe(lines_of({make_line(10, {{100, 103}}), make_line(11, {{100, 103}}),
                                 make_line(12, {{100, 103}}), make_line(13, {{100, 103}})})));
}

TEST(LineDecoderCodes, OneBitGapCodesHaveOnlyAFlag) {
    // Flag 0 starts a run at x_origin (or right at the previous run's end); flag 1 ends the
    // block.
    const auto d = decode(one_block(2,
                                    {{0, false, 1},
                                     {2, true, 3},  // [100,102]
                                     {0, false, 1},
                                     {1, false, 3},
                                     {0, false, 1},
                                     {3, true, 3},
                                     {0, true, 1}},
                                    1, 3),
                          1);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(
        describe(d.lines),
        describe(lines_of({make_line(10, {{100, 102}}), make_line(11, {{100, 101}, {101, 104}})})));
}

TEST(LineDecoderCodes, RepeatBeforeTheRecordsFirstLineIgnoresTheRecord) {
    auto d = decode(one_block(2, {{1, true, 4}, {0, false, 4}, {0, true, 4}}), 1);
    EXPECT_EQ(d.result, 0);
    EXPECT_TRUE(d.lines.empty());

    // Also when an empty block comes first.
    auto payload = test::payload_start(2);
    test::append_block(payload, 1, 100, 4, 4, 10, pack_codes({{0, true, 4}}));
    test::append_block(payload, 1, 100, 4, 4, 20, pack_codes({{1, true, 4}, {0, true, 4}}));
    d = decode(payload, 1);
    EXPECT_EQ(d.result, 0);
    EXPECT_TRUE(d.lines.empty());
}

TEST(LineDecoderCodes, EachBlockSetsTheLineNumberAndRepeatsReachIntoEarlierBlocks) {
    auto payload = test::payload_start(4);
    test::append_block(payload, 2, 100, 4, 4, 10.5,
                       pack_codes({{5, false, 4}, {2, true, 4}, {0, true, 4}}));
    test::append_block(payload, 2, 300, 4, 4, 40.5, pack_codes({{2, true, 4}, {0, true, 4}}));
    test::append_block(payload, 2, 300, 4, 4, 90.5, pack_codes({{1, false, 4}, {0, true, 4}}));
    const auto d = decode(payload, 2);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(describe(d.lines),
              describe(lines_of({make_line(10.5, {{105, 107}}), make_line(40.5, {{105, 107}}),
                                 make_line(41.5, {{105, 107}}), make_line(90.5, {{301, 301}})})));
}

TEST(LineDecoderCodes, MalformedLinesEndDecodingAndKeepTheLinesBefore) {
    const LineEntry first = make_line(10, {{101, 102}});
    // A seventh run.
    auto d = decode(one_block(3, {{1, false, 4},
                                  {1, true, 4},  //
                                  {0, false, 4},
                                  {0, false, 4},
                                  {1, false, 4},
                                  {0, false, 4},
                                  {1, false, 4},
                                  {0, false, 4},
                                  {1, false, 4},
                                  {0, false, 4},
                                  {1, false, 4},
                                  {0, false, 4},
                                  {1, false, 4},
                                  {0, false, 4},
                                  {1, false, 4},
                                  {0, true, 4}}),
                    1);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(describe(d.lines), describe(lines_of({first})));

    // Six runs are fine.
    d = decode(one_block(1, {{0, false, 4},
                             {0, false, 4},
                             {1, false, 4},
                             {0, false, 4},
                             {1, false, 4},
                             {0, false, 4},
                             {1, false, 4},
                             {0, false, 4},
                             {1, false, 4},
                             {0, false, 4},
                             {1, false, 4},
                             {0, true, 4}}),
               1);
    EXPECT_EQ(d.result, 1);
    ASSERT_EQ(d.lines.size(), 1u);
    EXPECT_EQ(d.lines[0].segment_count, 6);

    // A gap code with its flag set after the first run.
    d = decode(one_block(3, {{1, false, 4},
                             {1, true, 4},
                             {0, false, 4},
                             {0, false, 4},
                             {2, true, 4},
                             {0, false, 4}}),
               1);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(describe(d.lines), describe(lines_of({first})));

    // A run past the largest coordinate a line can hold.
    auto payload = test::payload_start(2);
    test::append_block(payload, 1, 1023, 15, 15, 10,
                       pack_codes({{0, false, 15},
                                   {16383, false, 15},
                                   {16383, false, 15},
                                   {16383, true, 15},
                                   {0, true, 15}}));
    d = decode(payload, 1);
    EXPECT_EQ(d.result, 1);
    EXPECT_TRUE(d.lines.empty());
}

TEST(LineDecoderCodes, TheCountIsTheNumberOfLinesProduced) {
    // Fewer lines declared than coded: decoding stops at the declared count, with or without
    // an end-of-block code behind the last line.
    auto d = decode(one_block(2, {{0, false, 4}, {0, true, 4}, {5, true, 4}, {0, true, 4}}), 1);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.lines.size(), 2u);
    d = decode(one_block(1, {{0, false, 4}, {0, true, 4}}), 1);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.lines.size(), 1u);

    // More declared than coded, after a longer record was decoded into the same output: only
    // the produced lines are reported, never the stale ones behind them.
    d = decode(one_block(9, {{0, false, 4}, {0, true, 4}, {7, true, 4}, {0, true, 4}}), 1);
    ASSERT_EQ(d.lines.size(), 8u);
    d = decode(one_block(9, {{0, false, 4}, {0, true, 4}, {2, true, 4}, {0, true, 4}}), 1);
    EXPECT_EQ(d.result, 1);
    EXPECT_EQ(d.lines.size(), 3u);
}

// --- Lengths, counts and widths that do not add up ----------------------------------------

TEST(LineDecoderBounds, ShortOrEmptyPayloadsAreIgnored) {
    EXPECT_EQ(decode({}, 1).result, 0);
    EXPECT_EQ(decode({0x05}, 1).result, 0);
    EXPECT_EQ(decode({0x00, 0x00}, 1).result, 0);
    auto d = decode(one_block(0, {{0, false, 4}, {0, true, 4}, {0, true, 4}}), 1);
    EXPECT_EQ(d.result, 0);
    EXPECT_TRUE(d.lines.empty());
}

TEST(LineDecoderBounds, NegativeAndOversizedLineCounts) {
    auto d = decode(one_block(-5, {{0, false, 4}, {0, true, 4}, {0, true, 4}}), 1);
    EXPECT_EQ(d.result, 1);
    EXPECT_TRUE(d.lines.empty());

    // 3000 lines declared and coded: the output holds 2000.
    auto payload = test::payload_start(3000);
    test::append_block(payload, 1, 0, 2, 15, 0,
                       pack_codes({{0, false, 15}, {0, true, 2}, {2999, true, 15}, {0, true, 15}}));
    d = decode(payload, 1);
    EXPECT_EQ(d.result, 1);
    ASSERT_EQ(d.lines.size(), 2000u);
    EXPECT_EQ(d.lines.back().y_count, 1999.0);
}

TEST(LineDecoderBounds, BlockMayEndExactlyAtThePayloadsEnd) {
    const auto codes = pack_codes({{1, false, 4}, {1, true, 4}, {0, true, 4}});
    for (int16_t version : {1, 2}) {
        auto payload = test::payload_start(2);
        test::append_block(payload, version, 100, 4, 4, 10, codes);
        auto second = payload;
        test::append_block(payload, version, 200, 4, 4, 20, codes);
        EXPECT_EQ(decode(payload, version).lines.size(), 2u);
        // The second block claims one byte more than the payload holds.
        test::append_block(second, version, 200, 4, 4, 20, codes,
                           static_cast<int>(codes.size()) + (version == 2 ? 13 : 9));
        const auto d = decode(second, version);
        EXPECT_EQ(d.result, 1);
        EXPECT_EQ(describe(d.lines), describe(lines_of({make_line(10, {{101, 102}})})));
    }
}

TEST(LineDecoderBounds, MalformedBlocksEndDecodingWithTheLinesSoFar) {
    const auto good = pack_codes({{1, false, 4}, {1, true, 4}, {0, true, 4}});
    struct Case {
        const char* what;
        size_t lines;      // lines decoded: those of the first block, and maybe one of this
        int block_length;  // -1: the true length
        int gap_bits;
        int run_bits;
        std::vector<uint8_t> data;
    };
    for (int16_t version : {0, 2}) {
        const int header = version == 2 ? 12 : 8;
        const std::vector<Case> cases = {
            {"block length 0", 1, 0, 4, 4, good},
            {"block length one short of its header", 1, header - 1, 4, 4, good},
            {"block length equal to its header", 1, header, 4, 4, good},
            {"data ends before the line's run code", 1, -1, 4, 4, pack_codes({{1, false, 4}})},
            {"data ends inside a run code", 1, -1, 4, 9,
             pack_codes({{1, false, 4}, {200, false, 9}})},
            {"data ends before the end-of-block code", 2, -1, 4, 4,
             pack_codes({{1, false, 4}, {1, true, 4}})},
            {"gap_bits 0", 1, -1, 0, 4, good},
            {"run_bits 0", 1, -1, 4, 0, good},
        };
        for (const Case& c : cases) {
            auto payload = test::payload_start(5);
            test::append_block(payload, version, 100, 4, 4, 10, good);
            test::append_block(payload, version, 100, c.run_bits, c.gap_bits, 20, c.data,
                               c.block_length);
            test::append_block(payload, version, 100, 4, 4, 30, good);
            const auto d = decode(payload, version);
            EXPECT_EQ(d.result, 1) << c.what;
            EXPECT_EQ(d.lines.size(), c.lines) << c.what << ", version " << version;
            if (!d.lines.empty()) {
                EXPECT_EQ(describe(d.lines[0]), "y=10 [101,102]") << c.what;
            }
        }
    }
}

// A version-2 first line number is a double, and a damaged one may be NaN or infinite: the
// block ends the record like any malformed block, keeping the lines before it.
TEST(LineDecoderBounds, ANonFiniteFirstLineNumberEndsTheRecordBeforeItsBlock) {
    const auto good = pack_codes({{1, false, 4}, {1, true, 4}, {0, true, 4}});
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const double bad : {nan, -nan, inf, -inf}) {
        auto payload = test::payload_start(3);
        test::append_block(payload, 2, 100, 4, 4, 10, good);
        test::append_block(payload, 2, 100, 4, 4, bad, good);
        test::append_block(payload, 2, 100, 4, 4, 30, good);
        const auto d = decode(payload, 2);
        EXPECT_EQ(d.result, 1) << bad;
        EXPECT_EQ(describe(d.lines), "y=10 [101,102]\n") << bad;

        auto first = test::payload_start(2);
        test::append_block(first, 2, 100, 4, 4, bad, good);
        test::append_block(first, 2, 100, 4, 4, 30, good);
        EXPECT_TRUE(decode(first, 2).lines.empty()) << bad;
    }
    // The largest finite numbers are still line numbers.
    auto payload = test::payload_start(1);
    test::append_block(payload, 2, 100, 4, 4, std::numeric_limits<double>::max(), good);
    EXPECT_EQ(decode(payload, 2).lines.size(), 1u);
}

TEST(LineDecoderBounds, EveryPrefixOfAPayloadDecodesToAPrefixOfItsLines) {
    for (int16_t version : {1, 2}) {
        auto payload = test::payload_start(6);
        test::append_block(payload, version, 100, 4, 4, 10,
                           pack_codes({{5, false, 4},
                                       {3, false, 4},
                                       {2, false, 4},
                                       {1, true, 4},
                                       {2, true, 4},
                                       {0, true, 4}}));
        test::append_block(payload, version, 7, 5, 3, 400,
                           pack_codes({{0, false, 3},
                                       {9, true, 5},
                                       {3, false, 3},
                                       {15, true, 5},
                                       {1, true, 3},
                                       {0, true, 3}}));
        const auto full = decode(payload, version);
        ASSERT_EQ(full.lines.size(), 6u);
        for (size_t n = 0; n < payload.size(); ++n) {
            const std::vector<uint8_t> prefix(payload.begin(), payload.begin() + n);
            const auto d = decode(prefix, version);
            ASSERT_LE(d.lines.size(), full.lines.size()) << n;
            const std::vector<LineEntry> head(full.lines.begin(),
                                              full.lines.begin() + d.lines.size());
            EXPECT_EQ(describe(d.lines), describe(head)) << "prefix of " << n << " bytes";
        }
    }
}

// Random bytes behind a plausible line count: whatever comes out must be well formed.
TEST(LineDecoderBounds, RandomPayloadsGiveWellFormedLines) {
    std::mt19937 rng(20240601);
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> payload(rng() % 200);
        for (uint8_t& b : payload) b = static_cast<uint8_t>(rng());
        if (payload.size() >= 2 && round % 2 == 0) {
            store_u16(payload.data(), static_cast<uint16_t>(rng() % 2100));
        }
        if (payload.size() >= 6 && round % 3 == 0) {
            // A block length that lies within the payload, so codes are actually read.
            const uint16_t length = static_cast<uint16_t>(8 + rng() % (payload.size() - 1));
            payload[2] = static_cast<uint8_t>(length);
            payload[3] = static_cast<uint8_t>((payload[3] & 0xC0) | (length >> 8));
        }
        const int16_t version = static_cast<int16_t>(round % 3);
        const auto d = decode(payload, version);
        ASSERT_TRUE(d.result == 0 || d.result == 1);
        if (d.result == 0) {
            EXPECT_TRUE(d.lines.empty());
        }
        ASSERT_LE(d.lines.size(), static_cast<size_t>(kMaxLinesPerRecord));
        for (const LineEntry& line : d.lines) {
            ASSERT_GE(line.segment_count, 1);
            ASSERT_LE(line.segment_count, kMaxSegmentsPerLine);
            int previous_end = 0;
            for (int k = 0; k < kMaxSegmentsPerLine; ++k) {
                const Segment& s = line.segments[k];
                if (k >= line.segment_count) {
                    EXPECT_TRUE(s.start_x == 0 && s.end_x == 0) << describe(line);
                    continue;
                }
                EXPECT_GE(s.start_x, previous_end) << describe(line);
                EXPECT_LE(s.start_x, s.end_x) << describe(line);
                previous_end = s.end_x;
            }
        }
    }
}

}  // namespace
}  // namespace korvel

namespace korvel {
namespace {

// The playback step decodes straight into line_buf, where the last record's lines may still be
// in use: the decoder must write nothing but the lines it counts, also when a line breaks off
// (here by a seventh run).
TEST(LineDecoderOutput, OnlyTheLinesCountedAreWritten) {
    const auto first_broken = pack_codes({{0, false, 4},
                                          {0, false, 4},
                                          {1, false, 4},
                                          {0, false, 4},
                                          {1, false, 4},
                                          {0, false, 4},
                                          {1, false, 4},
                                          {0, false, 4},
                                          {1, false, 4},
                                          {0, false, 4},
                                          {1, false, 4},
                                          {0, false, 4},
                                          {1, false, 4},
                                          {0, false, 4},
                                          {1, false, 4},
                                          {0, true, 4}});
    const auto second_broken = pack_codes({{1, false, 4},
                                           {1, true, 4},
                                           {0, false, 4},
                                           {0, false, 4},
                                           {1, false, 4},
                                           {0, false, 4},
                                           {1, false, 4},
                                           {0, false, 4},
                                           {1, false, 4},
                                           {0, false, 4},
                                           {1, false, 4},
                                           {0, false, 4},
                                           {1, false, 4},
                                           {0, false, 4},
                                           {1, false, 4},
                                           {0, false, 4},
                                           {1, false, 4},
                                           {0, true, 4}});
    const struct {
        const char* name;
        const std::vector<uint8_t>& data;
        int16_t expected_count;
    } cases[] = {{"first line broken", first_broken, 0}, {"second line broken", second_broken, 1}};
    const LineEntry sentinel = make_line(-7, {{1, 2}, {5, 9}});
    auto ctx = std::make_unique<DecodeContext>();
    for (const auto& c : cases) {
        auto payload = test::payload_start(3);
        test::append_block(payload, 1, 100, 4, 4, 10, c.data);
        std::fill(ctx->line_buf.begin(), ctx->line_buf.end(), sentinel);
        int16_t count = -1;
        decode_record(1, payload.data(), static_cast<int>(payload.size()), ctx->line_buf.data(),
                      count);
        EXPECT_EQ(count, c.expected_count) << c.name;
        for (int i = c.expected_count; i < 4; ++i) {
            EXPECT_EQ(describe(ctx->line_buf[static_cast<size_t>(i)]), describe(sentinel))
                << c.name << ", line " << i;
        }
    }
}

// The windowed reads against the plain checked ones (decode_record_checked): encoded records
// at several code widths, their first block (a long one) cut short at every byte by rewriting
// its length, so that a line breaks off at every point, near the end and far from it.
TEST(LineDecoderWindow, DecodesWhatThePlainReadsDecode) {
    std::mt19937 rng(2121);
    std::vector<LineEntry> fast(kMaxLinesPerRecord), plain(kMaxLinesPerRecord);
    for (const int bits : {1, 6, 11, 15}) {
        for (const int16_t version : {1, 2}) {
            std::vector<LineEntry> lines;
            for (int i = 0; i < 400; ++i) {
                const bool repeat = i > 0 && rng() % 3 == 0;
                lines.push_back(repeat ? lines.back() : make_line(0, {}));
                LineEntry& line = lines.back();
                line.y_count = 5000 + i;
                for (int x = 0; !repeat && (x == 0 || (x < 240 && rng() % 2)); x += 40) {
                    line.segments[line.segment_count++] = {
                        static_cast<int16_t>(x + rng() % 9),
                        static_cast<int16_t>(x + 9 + rng() % 30)};
                }
            }
            std::vector<uint8_t> payload;
            encode_record(lines, version, payload, {bits, bits, true});
            const uint32_t word = load_u32(payload.data() + 2);
            ASSERT_GT(word & 0x3FFF, 16u * 38 + 12) << "the first block is not a long one";
            for (uint32_t length = 0; length <= (word & 0x3FFF); ++length) {
                store_u32(payload.data() + 2, (word & ~0x3FFFu) | length);
                int16_t n = -1, m = -1;
                const int size = static_cast<int>(payload.size());
                EXPECT_EQ(decode_record(version, payload.data(), size, fast.data(), n),
                          decode_record_checked(version, payload.data(), size, plain.data(), m));
                ASSERT_EQ(n, m) << "block cut to " << length << " bytes";
                ASSERT_EQ(describe({fast.begin(), fast.begin() + n}),
                          describe({plain.begin(), plain.begin() + n}));
            }
        }
    }
}

}  // namespace
}  // namespace korvel
