// Fuzzes the reader of the correction file CORRFACT.DAT: the input is the file's text. It is
// parsed directly and also loaded through a file opener, which reads only the part of the
// file that can matter; both must agree, and the only failure is "tables01" .. "tables08".

#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/correction_file.h"
#include "calibration/correction_parser.h"
#include "common/fatal_error.h"
#include "fuzz_require.h"
#include "io/memory_file_opener.h"

namespace korvel::fuzz {
namespace {

// Every value starts from a mark, so that a value the parser did not touch is seen as such.
CorrectionRecord marked_record() {
    CorrectionRecord r;
    r.line2_value = -12345;
    r.grid.fill(-7.25f);
    for (auto& row : r.rows) row.fill(-7.25f);
    return r;
}

// Bit for bit, so that NaNs compare equal and -0 differs from 0.
bool same_record(const CorrectionRecord& a, const CorrectionRecord& b) {
    return a.line2_value == b.line2_value &&
           std::memcmp(a.grid.data(), b.grid.data(), sizeof a.grid) == 0 &&
           std::memcmp(a.rows.data(), b.rows.data(), sizeof a.rows) == 0;
}

std::string parse(std::string_view text, CorrectionRecord& record) {
    try {
        parse_corrections(text, record);
    } catch (const FatalError& e) {
        return e.text();
    }
    return "";
}

std::string load(const std::vector<uint8_t>& bytes, CorrectionRecord& record) {
    MemoryFileOpener opener;
    opener.add(correction_file_path("/fuzz"), bytes);
    try {
        load_corrections("/fuzz", record, opener);
    } catch (const FatalError& e) {
        return e.text();
    }
    return "";
}

bool is_line_name(const std::string& text) {
    return text.size() == 8 && text.compare(0, 7, "tables0") == 0 && text[7] >= '1' &&
           text[7] <= '8';
}

}  // namespace
}  // namespace korvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace korvel::fuzz;
    if (size > 1 << 16) return 0;
    const std::vector<uint8_t> bytes(data, data + size);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());

    korvel::CorrectionRecord parsed = marked_record();
    const std::string parse_error = parse(text, parsed);
    require(parse_error.empty() || is_line_name(parse_error),
            "the only failure names the line the file ended before");
    if (size == 0) require(parse_error == "tables01", "an empty file ends before line 1");
    if (parse_error == "tables01") require(size == 0, "only an empty file lacks line 1");

    korvel::CorrectionRecord loaded = marked_record();
    const std::string load_error = load(bytes, loaded);
    require(load_error == parse_error, "loading the file gives the verdict of its whole text");
    require(same_record(parsed, loaded), "loading the file reads the values of its whole text");
    return 0;
}
