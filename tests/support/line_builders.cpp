#include "support/line_builders.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "codec/block_bit_writer.h"
#include "codec/line_decoder.h"
#include "common/little_endian.h"
#include "particles/decode_context.h"

namespace korvel::test {

LineEntry make_line(double y, std::initializer_list<std::pair<int, int>> runs) {
    LineEntry line;
    line.y_count = y;
    for (const auto& [start, end] : runs) {
        line.segments[line.segment_count++] =
            Segment{static_cast<int16_t>(start), static_cast<int16_t>(end)};
    }
    return line;
}

std::string describe(const LineEntry& line) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "y=%.17g", line.y_count);
    std::string text = buf;
    for (int k = 0; k < kMaxSegmentsPerLine; ++k) {
        const Segment& s = line.segments[k];
        const bool used = k < line.segment_count;
        if (!used && s.start_x == 0 && s.end_x == 0) continue;
        std::snprintf(buf, sizeof buf, " %s[%d,%d]", used ? "" : "stale", s.start_x, s.end_x);
        text += buf;
    }
    return text;
}

std::string describe(const std::vector<LineEntry>& lines) {
    std::string text;
    for (const LineEntry& line : lines) text += describe(line) + "\n";
    return text;
}

std::vector<uint8_t> pack_codes(std::initializer_list<Code> codes) {
    std::vector<uint8_t> bytes;
    BlockBitWriter writer(bytes);
    for (const Code& c : codes) writer.write(c.value, c.flag, c.bits);
    writer.flush();
    return bytes;
}

std::vector<uint8_t> payload_start(int16_t line_count) {
    std::vector<uint8_t> payload(2);
    store_u16(payload.data(), static_cast<uint16_t>(line_count));
    return payload;
}

void append_block(std::vector<uint8_t>& payload, int16_t version, int x_origin, int run_bits,
                  int gap_bits, double first_y, const std::vector<uint8_t>& data,
                  int block_length) {
    const int header_size = version == 2 ? 12 : 8;
    if (block_length < 0) block_length = header_size + static_cast<int>(data.size());
    const uint32_t word =
        (static_cast<uint32_t>(block_length) & 0x3FFFu) | (static_cast<uint32_t>(x_origin) << 14) |
        (static_cast<uint32_t>(run_bits) << 24) | (static_cast<uint32_t>(gap_bits) << 28);
    const size_t at = payload.size();
    payload.resize(at + header_size);
    store_u32(payload.data() + at, word);
    if (version == 2) {
        store_f64(payload.data() + at + 4, first_y);
    } else {
        store_u32(payload.data() + at + 4, static_cast<uint32_t>(first_y));
    }
    payload.insert(payload.end(), data.begin(), data.end());
}

Decoded decode(const std::vector<uint8_t>& payload, int16_t version) {
    // The context is large; one is kept for all calls, as the viewer keeps one per file.
    static const auto ctx = std::make_unique<DecodeContext>();
    const auto bytes = std::make_unique<uint8_t[]>(std::max<size_t>(payload.size(), 1));
    if (!payload.empty()) std::memcpy(bytes.get(), payload.data(), payload.size());
    int16_t count = -1;
    Decoded d;
    d.result = decode_record(version, bytes.get(), static_cast<int>(payload.size()),
                             ctx->line_buf.data(), count);
    d.lines.assign(ctx->line_buf.begin(), ctx->line_buf.begin() + std::max<int>(count, 0));
    return d;
}

std::vector<LineEntry> random_lines(std::mt19937& rng, const RandomLineShape& shape) {
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::uniform_int_distribution<int> runs_per_line(1, kMaxSegmentsPerLine);
    std::vector<LineEntry> lines;
    double y = shape.first_y;
    if (shape.fractional) y += chance(rng);
    for (int i = 0; i < shape.count; ++i) {
        if (i > 0) y += chance(rng) < shape.skip_chance ? 2.0 + (rng() % 50) : 1.0;
        if (!lines.empty() && chance(rng) < shape.repeat_chance) {
            LineEntry again = lines.back();
            again.y_count = y;
            lines.push_back(again);
            continue;
        }
        LineEntry line;
        line.y_count = y;
        const int runs = runs_per_line(rng);
        int x = static_cast<int>(rng() % (shape.max_coordinate / 2 + 1));
        for (int k = 0; k < runs && x <= shape.max_coordinate; ++k) {
            const int room = shape.max_coordinate - x;
            const int end = x + static_cast<int>(rng() % (std::min(room, 40) + 1));
            line.segments[line.segment_count++] =
                Segment{static_cast<int16_t>(x), static_cast<int16_t>(end)};
            x = end + static_cast<int>(rng() % 30);  // a gap of 0 touches the previous run
        }
        lines.push_back(line);
    }
    return lines;
}

}  // namespace korvel::test
