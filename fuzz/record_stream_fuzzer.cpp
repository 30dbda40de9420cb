// Fuzzes the header reader and the record reader. The input is a whole .ab file in memory:
// its header is read as Open reads it, then its records are read from byte 0 to the end as
// a playback reader does when the index sends it to the start of the file. Each outcome is
// checked against the record layout: i16 type, i16 cmpr_n, then cmpr_n payload bytes.

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "common/fatal_error.h"
#include "common/little_endian.h"
#include "error_texts.h"
#include "format/header_reader.h"
#include "format/raw_record.h"
#include "format/record_reader.h"
#include "fuzz_require.h"
#include "io/memory_source.h"

namespace korvel::fuzz {
namespace {

void check_header(const std::vector<uint8_t>& bytes) {
    MemorySource source(bytes);
    HeaderArea area;
    HeaderInfo info;
    try {
        info = read_header(source, area);
    } catch (const FatalError& e) {
        require(is_header_error(e.text()), "a header is rejected only with a header error text");
        return;
    }
    require(bytes.size() >= 4, "a header was read from at least its 4 record bytes");
    const int cmpr_n = load_i16(bytes.data() + 2);
    const int expected_version = cmpr_n == 38 ? 0 : cmpr_n == 54 ? 1 : cmpr_n == 56 ? 2 : -1;
    require(info.header_version == expected_version, "the header length decides the version");
    require(bytes.size() >= static_cast<size_t>(4 + cmpr_n), "the whole header payload was there");
    require(info.line_rate > 0.0 && std::isfinite(info.line_rate), "a usable line rate");
    if (info.header_version < 2) {
        require(info.line_width == 512, "versions 0 and 1 mean 512 pixels");
    } else {
        require(info.line_width > 0 && info.line_width % 2 == 0 &&
                    info.line_width == 2 * load_i16(bytes.data() + 4 + 14),
                "version 2 gives twice its half width");
    }
    require(
        info.date.month >= 1 && info.date.month <= 12 && info.date.day >= 1 && info.date.day <= 31,
        "the start time breaks down into a real date");
}

// What the reader must say about the record at pos, worked out from the bytes alone.
std::string expected_error(const std::vector<uint8_t>& bytes, uint32_t pos) {
    const size_t left = bytes.size() - pos;
    if (left < 2) return "mp02";
    if (left < 4) return "mp03";
    const int cmpr_n = load_i16(bytes.data() + pos + 2);
    if (cmpr_n < 0) return "cmpr_n < 0";
    if (cmpr_n > kPayloadCapacity) return "Record at byte offset ";
    if (left < 4 + static_cast<size_t>(cmpr_n)) return "mp04";
    return "";
}

void walk_records(const std::vector<uint8_t>& bytes) {
    MemorySource source(bytes);
    if (bytes.empty()) {
        try {
            checked_file_length(source);
            require(false, "an empty file has no length to play");
        } catch (const FatalError& e) {
            require(std::string(e.text()) == "mp71", "an empty file raises mp71");
        }
        return;
    }
    static RawRecord rec;
    uint32_t pos = 0;
    while (pos < bytes.size()) {
        const uint32_t at = pos;
        const std::string expected = expected_error(bytes, at);
        try {
            read_record(source, pos, rec);
        } catch (const FatalError& e) {
            const std::string text = e.text();
            require(is_record_error(text), "a record is rejected only with a record error text");
            require(text.compare(0, expected.size(), expected) == 0 && !expected.empty(),
                    "the error names what is wrong with the record");
            require(pos == at, "an error leaves the read position where it was");
            return;
        }
        require(expected.empty(), "a damaged record is not read as a good one");
        require(rec.cmpr_n >= 0 && rec.cmpr_n <= kPayloadCapacity, "cmpr_n within the buffer");
        require(pos == at + 4u + static_cast<uint32_t>(rec.cmpr_n),
                "the position advances by 4 + cmpr_n");
        require(rec.type == load_i16(bytes.data() + at), "the type is the record's first field");
        require(std::memcmp(rec.payload.data(), bytes.data() + at + 4, rec.cmpr_n) == 0,
                "the payload is the record's bytes");
    }
    require(pos == bytes.size(), "the last record ends exactly at the end of the file");
}

}  // namespace
}  // namespace korvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 20) return 0;
    const std::vector<uint8_t> bytes(data, data + size);
    korvel::fuzz::check_header(bytes);
    korvel::fuzz::walk_records(bytes);
    return 0;
}
