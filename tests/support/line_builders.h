#pragma once

#include <cstdint>
#include <initializer_list>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "codec/line_entry.h"

namespace korvel::test {

// Scan lines and compressed camera payloads, built in memory.

LineEntry make_line(double y, std::initializer_list<std::pair<int, int>> runs);

// "y=1000 [105,108] [110,111]"; a non-zero segment beyond the segment count is shown too,
// marked "stale", so comparing descriptions also catches leftovers from earlier lines.
std::string describe(const LineEntry& line);
std::string describe(const std::vector<LineEntry>& lines);

// One code of a block's packed data.
struct Code {
    uint32_t value;
    bool flag;
    int bits;
};

// Packs codes into bytes, least significant bit first.
std::vector<uint8_t> pack_codes(std::initializer_list<Code> codes);

// A payload holding only its i16 line count, for blocks to be appended.
std::vector<uint8_t> payload_start(int16_t line_count);

// Appends a block: its header word, first line number (u32, or f64 for version 2) and packed
// data. block_length is the true size unless given (to build lying lengths).
void append_block(std::vector<uint8_t>& payload, int16_t version, int x_origin, int run_bits,
                  int gap_bits, double first_y, const std::vector<uint8_t>& data,
                  int block_length = -1);

// The outcome of decoding one payload. The payload is copied into a heap block of exactly
// its size first, so that a read past its end is caught by the address sanitizer.
struct Decoded {
    int result = -1;
    std::vector<LineEntry> lines;
};
Decoded decode(const std::vector<uint8_t>& payload, int16_t version);

// Random scan lines for round trips: count lines starting at first_y, with y skips, repeated
// lines and 1..6 runs each. Line numbers are whole unless fractional is set.
struct RandomLineShape {
    int count = 200;
    double first_y = 1000.0;
    int max_coordinate = 1100;   // largest end_x
    double skip_chance = 0.1;    // a line number gap before a line
    double repeat_chance = 0.3;  // the line repeats the one before it
    bool fractional = false;
};
std::vector<LineEntry> random_lines(std::mt19937& rng, const RandomLineShape& shape);

}  // namespace korvel::test
