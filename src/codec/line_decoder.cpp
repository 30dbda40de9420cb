#include "codec/line_decoder.h"

#include <algorithm>
#include <cmath>

#include "codec/block_bit_reader.h"
#include "common/little_endian.h"

namespace korvel {

namespace {

// The u32 block header word: bits 0-13 block_length (header word and first line number
// included), 14-23 x_origin, 24-27 run_bits, 28-31 gap_bits.
struct BlockHeader {
    int block_length;
    int x_origin;
    int run_bits;
    int gap_bits;
};

BlockHeader split_header_word(uint32_t word) {
    return BlockHeader{static_cast<int>(word & 0x3FFFu), static_cast<int>((word >> 14) & 0x3FFu),
                       static_cast<int>((word >> 24) & 0xFu), static_cast<int>(word >> 28)};
}

// Largest coordinate a LineEntry can hold; a run reaching beyond it is malformed data.
constexpr int kMaxCoordinate = 32767;

// What ends the codes of a block.
enum class BlockEnd { kNextBlock, kStop, kIgnoreRecord };

// The lines of one record as they are produced, shared by all its blocks.
struct RecordLines {
    LineEntry* out;
    int limit;                // lines the record may produce: its declared count, at most 2000
    int produced = 0;         // lines written to out so far
    int last_from_runs = -1;  // index of the last line decoded from runs: what repeats copy
};

// Decodes the runs of one line whose first gap code (value first_gap, flag 0) has been read.
// Returns false when the line is malformed or its codes run past the block's data. Width is
// the code width as the reader's checked read takes it: a plain bit count, or a CodeWidth
// with its masks worked out for the block.
template <typename Width>
[[gnu::always_inline]] inline bool decode_runs(BlockBitReader& reader, int x_origin,
                                               const Width& gap, const Width& run,
                                               uint32_t first_gap, LineEntry& line) {
    int start = x_origin + static_cast<int>(first_gap);
    int n = 0;
    for (;;) {
        uint32_t w = 0;
        bool last_run = false;
        if (!reader.read(run, w, last_run)) return false;
        const int end = start + static_cast<int>(w);
        if (end > kMaxCoordinate) return false;
        line.segments[n] = Segment{static_cast<int16_t>(start), static_cast<int16_t>(end)};
        ++n;
        if (last_run) break;
        if (n == kMaxSegmentsPerLine) return false;  // a seventh run
        uint32_t g = 0;
        bool flag = false;
        if (!reader.read(gap, g, flag) || flag) return false;
        start = end + static_cast<int>(g);
    }
    line.segment_count = static_cast<int16_t>(n);
    return true;
}

// decode_runs where the block's length has been checked for the whole line (line_fits): the
// codes are taken from the window with no check, topping it up once per run and gap.
[[gnu::always_inline]] inline bool decode_runs_unchecked(BlockBitReader& reader, int x_origin,
                                                         const CodeWidth& gap, const CodeWidth& run,
                                                         uint32_t first_gap, LineEntry& line) {
    int start = x_origin + static_cast<int>(first_gap);
    int n = 0;
    for (;;) {
        // The window holds a run and a gap code (at most 30 bits): after the line's first
        // refill and first gap at least 41 bits are left, and top_up keeps 30 from then on.
        bool last_run = false;
        const int end = start + static_cast<int>(reader.take(run, last_run));
        if (end > kMaxCoordinate) return false;
        line.segments[static_cast<size_t>(n)] =
            Segment{static_cast<int16_t>(start), static_cast<int16_t>(end)};
        ++n;
        if (last_run) break;
        if (n == kMaxSegmentsPerLine) return false;  // a seventh run
        bool flag = false;
        const uint32_t g = reader.take(gap, flag);
        if (flag) return false;
        start = end + static_cast<int>(g);
        reader.top_up(30);
    }
    line.segment_count = static_cast<int16_t>(n);
    return true;
}

// How a block's codes are read. kPlain checks every code as it is read; kMasked does the same
// with the masks of the two code widths worked out once per block; kWindowed reads a line that
// lies wholly within the block (line_fits) with no check per code, and the lines near the
// block's end as kMasked. All read the same codes and so decode the same lines.
enum class Reads { kPlain, kMasked, kWindowed };

// Blocks shorter than this are read kMasked: most of their lines lie within kLineBytes of
// the end, where checking line_fits would only cost.
constexpr int kLongBlock = 16 * BlockBitReader::kLineBytes;

// Decodes the codes of one block, whose first line is numbered y, up to its end-of-block code.
template <Reads kReads>
BlockEnd decode_block(BlockBitReader& reader, const BlockHeader& h, double y, RecordLines& rec) {
    const CodeWidth gap(h.gap_bits);
    const CodeWidth run(h.run_bits);
    for (;;) {
        uint32_t g = 0;
        bool flag = false;
        const bool unchecked = kReads == Reads::kWindowed && reader.line_fits();
        if (unchecked) {
            reader.refill_unchecked();
            g = reader.take(gap, flag);
        } else if (!(kReads != Reads::kPlain ? reader.read(gap, g, flag)
                                             : reader.read(h.gap_bits, g, flag))) {
            return BlockEnd::kStop;
        }
        if (flag && g == 0) return BlockEnd::kNextBlock;
        if (rec.produced >= rec.limit) return BlockEnd::kStop;
        if (flag) {
            // A repeat code: the last line decoded from runs occurs g more times.
            if (rec.last_from_runs < 0) return BlockEnd::kIgnoreRecord;
            const int copies = std::min(static_cast<int>(g), rec.limit - rec.produced);
            const LineEntry& source = rec.out[rec.last_from_runs];
            for (int k = 0; k < copies; ++k) {
                LineEntry& line = rec.out[rec.produced++];
                line = source;
                line.y_count = y;
                y += 1.0;
            }
            if (copies < static_cast<int>(g)) return BlockEnd::kStop;
            continue;
        }
        // The line is decoded where it goes, and what stood there is put back if it proves
        // broken: the output holds nothing but the lines counted, and the caller may decode
        // straight into lines still in use. (Built apart and copied over, each line would be
        // read back with wide loads right after its narrow stores, and wait for them.)
        LineEntry& line = rec.out[rec.produced];
        const LineEntry before = line;
        line.y_count = y;
        line.segments = {};
        const bool whole = unchecked ? decode_runs_unchecked(reader, h.x_origin, gap, run, g, line)
                           : kReads != Reads::kPlain
                               ? decode_runs(reader, h.x_origin, gap, run, g, line)
                               : decode_runs(reader, h.x_origin, h.gap_bits, h.run_bits, g, line);
        if (!whole) {
            line = before;
            return BlockEnd::kStop;
        }
        rec.last_from_runs = rec.produced++;
        y += 1.0;
    }
}

// Walks the blocks of a payload whose line count has been read. Every length is checked
// before the bytes it covers are touched: a payload that ends inside a block header, a block
// whose length is shorter than its own header or runs past the payload, a first line number
// that is not finite and code widths of 0 all end the decoding with the lines produced so far.
template <bool kFast>
int decode_blocks(int16_t header_version, const uint8_t* payload, int payload_length,
                  RecordLines& rec) {
    // Versions 0 and 1 give a block's first line number as u32, version 2 as f64.
    const int number_size = header_version == 2 ? 8 : 4;
    const int block_header_size = 4 + number_size;
    int pos = 2;
    while (rec.produced < rec.limit) {
        // A block needs its header, and at least one byte of packed data behind it.
        if (payload_length - pos <= block_header_size) return 1;
        const BlockHeader h = split_header_word(load_u32(payload + pos));
        const double y = number_size == 8 ? load_f64(payload + pos + 4)
                                          : static_cast<double>(load_u32(payload + pos + 4));
        pos += block_header_size;
        // A first line number that is no number (NaN or infinite, which only a version-2
        // double can hold) would give every line of the block a line number that compares
        // false with everything: the readers would stop or never stop. Such a block is
        // malformed like any other, and ends the record with the lines before it.
        if (!std::isfinite(y)) return 1;
        const int data_length = h.block_length - block_header_size;
        if (data_length < 0 || data_length > payload_length - pos) return 1;
        if (h.gap_bits == 0 || h.run_bits == 0) return 1;

        // The packed data is read where it lies in the payload: the reader never looks past
        // the block's last byte, so no copy is needed.
        BlockBitReader reader(payload + pos, data_length);
        pos += data_length;
        const BlockEnd end = !kFast ? decode_block<Reads::kPlain>(reader, h, y, rec)
                             : data_length >= kLongBlock
                                 ? decode_block<Reads::kWindowed>(reader, h, y, rec)
                                 : decode_block<Reads::kMasked>(reader, h, y, rec);
        switch (end) {
            case BlockEnd::kNextBlock:
                break;
            case BlockEnd::kStop:
                return 1;
            case BlockEnd::kIgnoreRecord:
                return 0;
        }
    }
    return 1;
}

template <bool kFast>
int decode(int16_t header_version, const uint8_t* payload, int payload_length, LineEntry* out,
           int16_t& count) {
    count = 0;
    if (payload == nullptr || payload_length < 2) return 0;
    const int declared = load_i16(payload);
    if (declared == 0) return 0;
    // A negative count produces nothing; more than the output holds is cut to its capacity.
    RecordLines rec{out, std::clamp(declared, 0, kMaxLinesPerRecord)};
    const int result = decode_blocks<kFast>(header_version, payload, payload_length, rec);
    count = static_cast<int16_t>(rec.produced);
    return result;
}

}  // namespace

int decode_record(int16_t header_version, const uint8_t* payload, int payload_length,
                  LineEntry* out, int16_t& count) {
    return decode<true>(header_version, payload, payload_length, out, count);
}

int decode_record_checked(int16_t header_version, const uint8_t* payload, int payload_length,
                          LineEntry* out, int16_t& count) {
    return decode<false>(header_version, payload, payload_length, out, count);
}

}  // namespace korvel
