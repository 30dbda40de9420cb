#include "calibration/correction_parser.h"

#include <cstdio>

#include "calibration/text_mode_reader.h"
#include "common/fatal_error.h"

namespace korvel {
namespace {

constexpr int kLineCount = 8;
constexpr size_t kIntegerColumn = 54;  // 0-based: the integer of line 2 starts in column 55
constexpr size_t kNumbersColumn = 10;  // 0-based: the numbers of a row start in column 11

using Piece = char[TextModeReader::kBufferSize];

// A piece that ends before the column holds nothing to convert. The buffer is fresh for each
// piece, so nothing of an earlier, longer line can be taken for this one's numbers.
void convert_integer(const Piece& buf, size_t length, int16_t& value) {
    if (length <= kIntegerColumn) return;
    short v = 0;
    if (std::sscanf(buf + kIntegerColumn, "%hd", &v) == 1) value = v;
}

// sscanf stores each field as it converts and stops at the first that fails, which is exactly
// the rule: the failing field and those after it keep their values.
void convert_row(const Piece& buf, size_t length, std::array<float, 10>& r) {
    if (length <= kNumbersColumn) return;
    std::sscanf(buf + kNumbersColumn, "%6f,%6f,%6f,%6f,%6f,%6f,%6f,%6f,%6f,%6f", &r[0], &r[1],
                &r[2], &r[3], &r[4], &r[5], &r[6], &r[7], &r[8], &r[9]);
}

}  // namespace

void parse_corrections(std::string_view text, CorrectionRecord& record) {
    TextModeReader reader(text);
    Piece buf{};
    for (int line = 1; line <= kLineCount; ++line) {
        const size_t length = reader.read_piece(buf);
        if (length == 0) {
            char name[16];
            std::snprintf(name, sizeof name, "tables%02d", line);
            throw FatalError(name);
        }
        if (line == 2) {
            convert_integer(buf, length, record.line2_value);
        } else if (line == 3) {
            convert_row(buf, length, record.grid);
        } else if (line >= 5) {
            convert_row(buf, length, record.rows[line - 5]);
        }
    }
}

}  // namespace korvel
