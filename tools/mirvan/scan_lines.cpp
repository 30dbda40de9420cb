#include "scan_lines.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "codec/line_decoder.h"
#include "common/fatal_error.h"
#include "format/header_reader.h"
#include "format/raw_record.h"
#include "format/record_reader.h"
#include "io/disk_file_opener.h"
#include "io/open_failure_text.h"
#include "particles/decode_context.h"

namespace korvel::mirvan {

ScanLines load_scan_lines(const std::string& path, size_t max_lines_per_camera) {
    DiskFileOpener opener;
    FileError error = FileError::none;
    std::unique_ptr<ByteSource> file = opener.open_read_only(path, error);
    if (!file) throw FatalError(open_failure_text(error, path, std::string::npos, 254));

    // The context is large (the particle pool); it lives on the heap.
    auto ctx = std::make_unique<DecodeContext>();
    const HeaderInfo header = read_header(*file, ctx->header);
    ScanLines out;
    out.line_width = header.line_width;
    out.line_rate = header.line_rate;

    auto record = std::make_unique<RawRecord>();
    uint32_t pos = 0;
    read_record(*file, pos, *record);  // the header record again, to stand after it
    const uint64_t length = file->length();
    while (pos < length) {
        try {
            read_record(*file, pos, *record);
        } catch (const FatalError& e) {
            out.problem = e.text();
            break;
        }
        if (record->type != kCameraARecord && record->type != kCameraBRecord) continue;
        std::vector<LineEntry>& lines = record->type == kCameraARecord ? out.a : out.b;
        int16_t n = 0;
        if (decode_record(header.header_version, record->payload.data(), record->cmpr_n,
                          ctx->line_buf.data(), n) != 1) {
            continue;
        }
        for (int i = 0; i < n; ++i) {
            if (lines.size() == max_lines_per_camera) {
                out.truncated = true;
                break;
            }
            const LineEntry& line = ctx->line_buf[static_cast<size_t>(i)];
            // A line without a usable number has no place in time.
            if (std::isfinite(line.y_count)) lines.push_back(line);
        }
        if (out.truncated) break;
    }
    // A recording whose line numbers run backward is still shown, in line order.
    const auto by_line = [](const LineEntry& l, const LineEntry& r) {
        return l.y_count < r.y_count;
    };
    std::stable_sort(out.a.begin(), out.a.end(), by_line);
    std::stable_sort(out.b.begin(), out.b.end(), by_line);
    return out;
}

LineRange lines_in(const std::vector<LineEntry>& lines, double first, double count) {
    const auto below = [](const LineEntry& l, double y) { return l.y_count < y; };
    const auto begin = std::lower_bound(lines.begin(), lines.end(), first, below);
    const auto end = std::lower_bound(begin, lines.end(), first + count, below);
    return {static_cast<size_t>(begin - lines.begin()), static_cast<size_t>(end - lines.begin())};
}

}  // namespace korvel::mirvan
