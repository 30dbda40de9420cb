#include "support/record_bytes.h"

#include <cstddef>

#include "common/little_endian.h"

namespace korvel::test {

namespace {

std::vector<uint8_t> patterned(std::size_t n) {
    std::vector<uint8_t> p(n);
    for (std::size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(0x40 + i);
    return p;
}

}  // namespace

void append_record(std::vector<uint8_t>& out, int16_t type, int16_t cmpr_n,
                   const std::vector<uint8_t>& payload) {
    uint8_t head[4];
    store_u16(head, static_cast<uint16_t>(type));
    store_u16(head + 2, static_cast<uint16_t>(cmpr_n));
    out.insert(out.end(), head, head + 4);
    out.insert(out.end(), payload.begin(), payload.end());
}

void append_record(std::vector<uint8_t>& out, int16_t type, const std::vector<uint8_t>& payload) {
    append_record(out, type, static_cast<int16_t>(payload.size()), payload);
}

std::vector<uint8_t> record_bytes(int16_t type, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> out;
    append_record(out, type, payload);
    return out;
}

std::vector<uint8_t> header_v0_payload(int16_t rate_divisor, int32_t start_time) {
    std::vector<uint8_t> p = patterned(38);
    store_u16(p.data() + 4, static_cast<uint16_t>(rate_divisor));
    store_u32(p.data() + 34, static_cast<uint32_t>(start_time));
    return p;
}

std::vector<uint8_t> header_v1_payload(double line_rate, int32_t start_time) {
    std::vector<uint8_t> p = patterned(54);
    store_f64(p.data() + 6, line_rate);
    store_u32(p.data() + 50, static_cast<uint32_t>(start_time));
    return p;
}

std::vector<uint8_t> header_v2_payload(double line_rate, int16_t half_width, int32_t start_time) {
    std::vector<uint8_t> p = patterned(56);
    store_f64(p.data() + 6, line_rate);
    store_u16(p.data() + 14, static_cast<uint16_t>(half_width));
    store_u32(p.data() + 52, static_cast<uint32_t>(start_time));
    return p;
}

std::vector<uint8_t> header_v0_record(int16_t rate_divisor, int32_t start_time) {
    return record_bytes(0, header_v0_payload(rate_divisor, start_time));
}
std::vector<uint8_t> header_v1_record(double line_rate, int32_t start_time) {
    return record_bytes(0, header_v1_payload(line_rate, start_time));
}
std::vector<uint8_t> header_v2_record(double line_rate, int16_t half_width, int32_t start_time) {
    return record_bytes(0, header_v2_payload(line_rate, half_width, start_time));
}

}  // namespace korvel::test
