#include "pairs_csv.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "format/index_file.h"
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

std::string pairs_output_problem(const std::string& path, const std::vector<std::string>& inputs) {
    struct stat out {};
    if (::stat(path.c_str(), &out) == 0) {
        for (const std::string& input : inputs) {
            for (const std::string& name : {input, index_file_path(input)}) {
                struct stat in {};
                if (::stat(name.c_str(), &in) == 0 && in.st_dev == out.st_dev &&
                    in.st_ino == out.st_ino) {
                    return path + " is the input " + name;
                }
            }
        }
    }
    const std::filesystem::path dir = std::filesystem::path(path).parent_path();
    std::error_code ec;
    if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
        return "cannot write " + path + ": no directory " + dir.string();
    }
    return {};
}

bool write_pairs_file(const std::string& path, bool with_file,
                      const std::vector<std::FILE*>& parts, std::string& error) {
    const std::filesystem::path target(path);
    const std::string temp = (target.parent_path() / ("." + target.filename().string() +
                                                      ".korvel-replay-" + std::to_string(getpid())))
                                 .string();
    std::FILE* out = std::fopen(temp.c_str(), "wbx");
    if (out == nullptr) {
        error = std::strerror(errno);
        return false;
    }
    bool written = write_pairs_csv(out, with_file, parts, error);
    if (std::fclose(out) != 0 && written) {
        error = std::strerror(errno);
        written = false;
    }
    if (written && std::rename(temp.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        written = false;
    }
    if (!written) std::remove(temp.c_str());
    return written;
}

}  // namespace korvel::replay
