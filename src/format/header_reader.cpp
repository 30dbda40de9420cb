#include "format/header_reader.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "common/fatal_error.h"
#include "common/little_endian.h"

namespace korvel {

namespace {

// half_width is at most this, so that the line width 2 x half_width is a positive 16-bit count.
constexpr int kLargestHalfWidth = 16383;

[[noreturn]] __attribute__((format(printf, 1, 2))) void reject(const char* format, ...) {
    char text[200];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    throw FatalError(text);
}

int16_t version_for_length(int16_t cmpr_n) {
    const auto& lengths = kHeaderPayloadLengths;
    for (size_t version = 0; version < lengths.size(); ++version) {
        if (cmpr_n == lengths[version]) return static_cast<int16_t>(version);
    }
    reject("Unknown file header: first record has %d bytes, expected %d, %d or %d", cmpr_n,
           lengths[0], lengths[1], lengths[2]);
}

HeaderFieldsV0 parse_v0(const uint8_t* p) {
    HeaderFieldsV0 h;
    h.w0 = load_u16(p + 0);
    h.w2 = load_u16(p + 2);
    h.rate_divisor = load_i16(p + 4);
    h.w6 = load_u16(p + 6);
    h.w8 = load_u16(p + 8);
    h.d10 = load_u32(p + 10);
    h.d14 = load_u32(p + 14);
    h.d18 = load_u32(p + 18);
    h.d22 = load_u32(p + 22);
    h.d26 = load_u32(p + 26);
    h.w30 = load_u16(p + 30);
    h.w32 = load_u16(p + 32);
    h.start_time = load_i32(p + 34);
    return h;
}

// Version 2 inserts half_width at offset 14 and moves every later field up by 2 bytes.
HeaderFieldsV12 parse_v12(const uint8_t* p, bool with_half_width) {
    HeaderFieldsV12 h;
    h.w0 = load_u16(p + 0);
    h.w2 = load_u16(p + 2);
    h.w4 = load_u16(p + 4);
    h.line_rate = load_f64(p + 6);
    if (with_half_width) h.half_width = load_i16(p + 14);
    const uint8_t* q = with_half_width ? p + 2 : p;
    h.w14 = load_u16(q + 14);
    h.w16 = load_u16(q + 16);
    h.d18 = load_u32(q + 18);
    h.d22 = load_u32(q + 22);
    h.d26 = load_u32(q + 26);
    h.d30 = load_u32(q + 30);
    h.d34 = load_u32(q + 34);
    h.d38 = load_u32(q + 38);
    h.d42 = load_u32(q + 42);
    h.w46 = load_u16(q + 46);
    h.w48 = load_u16(q + 48);
    h.start_time = load_i32(q + 50);
    return h;
}

}  // namespace

int16_t parse_header(HeaderArea& header, const uint8_t* payload, int16_t header_version) {
    switch (header_version) {
        case 0:
            header.v0 = parse_v0(payload);
            return 512;
        case 1:
            header.v12 = parse_v12(payload, false);
            return 512;
        case 2: {
            const HeaderFieldsV12 fields = parse_v12(payload, true);
            if (fields.half_width <= 0 || fields.half_width > kLargestHalfWidth) {
                reject("Unusable file header: half line width %d, expected 1 to 16383",
                       fields.half_width);
            }
            header.v12 = fields;
            return static_cast<int16_t>(2 * fields.half_width);
        }
        default:
            reject("Unknown file header version %d", header_version);
    }
}

HeaderInfo read_header(ByteSource& source, HeaderArea& header) {
    uint8_t head[4];
    const size_t got = source.read_at(0, head, sizeof head);
    if (got < 2) throw FatalError("eval_arg41");
    if (got < 4) throw FatalError("eval_arg42");
    const int16_t cmpr_n = load_i16(head + 2);
    // A negative length can never be read whole.
    if (cmpr_n < 0) throw FatalError("eval_arg43");
    std::vector<uint8_t> payload(static_cast<size_t>(cmpr_n));
    if (source.read_at(4, payload.data(), payload.size()) != payload.size()) {
        throw FatalError("eval_arg43");
    }

    HeaderInfo info;
    info.header_version = version_for_length(cmpr_n);
    info.line_width = parse_header(header, payload.data(), info.header_version);

    // Every header problem is raised before a value is derived from the header.
    if (info.header_version == 0) {
        const int16_t divisor = header.v0.rate_divisor;
        if (divisor <= 0) {
            reject("Unusable file header: line rate divisor %d, expected a positive number",
                   divisor);
        }
        info.line_rate = static_cast<double>(kRateClock / divisor);  // truncated first
        info.start_time = header.v0.start_time;
    } else {
        const double rate = header.v12.line_rate;
        if (!std::isfinite(rate) || rate <= 0.0) {
            reject(
                "Unusable file header: line rate %g lines per second, expected a positive "
                "number",
                rate);
        }
        info.line_rate = rate;
        info.start_time = header.v12.start_time;
    }
    info.date = utc_date(info.start_time);
    return info;
}

}  // namespace korvel
