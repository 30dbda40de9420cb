#include "pairs_csv.h"

#include <cerrno>
#include <cstring>
#include <vector>

#include "pair_rows.h"

namespace korvel::replay {

bool write_pairs_csv(std::FILE* out, bool with_file, const std::vector<std::FILE*>& parts,
                     std::string& error) {
    auto failed = [&](const char* what) {
        error = std::string(what) + ": " + std::strerror(errno);
        return false;
    };
    const std::string header = pair_csv_header(with_file);
    if (std::fwrite(header.data(), 1, header.size(), out) != header.size()) {
        return failed("cannot write");
    }
    std::vector<char> buffer(1 << 16);
    for (std::FILE* part : parts) {
        if (part == nullptr) continue;
        if (std::fflush(part) != 0 || std::fseek(part, 0, SEEK_SET) != 0) {
            return failed("cannot read back the rows");
        }
        size_t n = 0;
        while ((n = std::fread(buffer.data(), 1, buffer.size(), part)) > 0) {
            if (std::fwrite(buffer.data(), 1, n, out) != n) return failed("cannot write");
        }
        if (std::ferror(part) != 0) return failed("cannot read back the rows");
    }
    if (std::fflush(out) != 0) return failed("cannot write");
    return true;
}

}  // namespace korvel::replay
