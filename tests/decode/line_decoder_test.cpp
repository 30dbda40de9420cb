#include "decode/line_decoder.h"

#include <gtest/gtest.h>

#include <random>

#include "common/little_endian.h"
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
    std::vector<uint8_t> payload{0x03, 0x00, 0x10, 0x00, 0x19, 0x44};
    payload.resize(payload.size() + 8);
    store_f64(payload.data() + 6, 1000.0);
    payload.insert(payload.end(), {0x35, 0x92, 0x09, 0x88});
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

}  // namespace
}  // namespace korvel
