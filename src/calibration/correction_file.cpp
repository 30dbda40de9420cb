#include "calibration/correction_file.h"

#include <memory>
#include <vector>

#include "calibration/correction_parser.h"
#include "common/fatal_error.h"
#include "io/disk_file_opener.h"
#include "io/open_failure_text.h"

namespace korvel {
namespace {

constexpr size_t kReasonLimit = 255;

[[noreturn]] void raise_open_failure(FileError error, const std::string& path) {
    throw FatalError(open_failure_text(error, path, kReasonLimit, std::string::npos));
}

}  // namespace

std::string correction_file_path(const std::string& work_dir) {
    return work_dir + "/CORRFACT.DAT";
}

void load_corrections(const std::string& work_dir, CorrectionRecord& record, FileOpener& opener) {
    // No start-up directory (it could not be determined): no correction file either. The
    // name would otherwise become "/CORRFACT.DAT", a file in the root directory.
    if (work_dir.empty()) return;
    const std::string path = correction_file_path(work_dir);
    FileError error = FileError::none;
    std::unique_ptr<ByteSource> file = opener.open_read_only(path, error);
    if (!file) {
        // No such file, or no such directory: there is no correction file, which is normal.
        if (error == FileError::file_not_found || error == FileError::bad_path) return;
        raise_open_failure(error, path);
    }
    // Only the first kCorrectionTextLimit bytes can matter, however large the file is.
    std::vector<uint8_t> bytes(kCorrectionTextLimit);
    bytes.resize(file->read_at(0, bytes.data(), bytes.size()));
    parse_corrections(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                      record);
}

void load_corrections(const std::string& work_dir, CorrectionRecord& record) {
    // The disk opener refuses a directory of that name as access denied, like any other entry
    // that exists but is no readable file.
    DiskFileOpener opener;
    load_corrections(work_dir, record, opener);
}

}  // namespace korvel
