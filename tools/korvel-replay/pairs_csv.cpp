#include "pairs_csv.h"

#include <cstring>

namespace korvel::replay {

bool PairsCsv::open(const std::string& path, bool with_file, std::string& error) {
    if (!out_.open(path, error)) return false;
    const std::string header = pair_csv_header(with_file);
    out_.write(header.data(), header.size());
    return true;
}

bool PairsCsv::take(PairRows* rows, SpoolFile* spool, std::string& error) {
    if (rows != nullptr && !rows->finish()) {
        error = std::string("its rows could not be written: ") + std::strerror(rows->error());
        failed_ = true;
        return false;
    }
    if (spool != nullptr && !spool->pass_on(out_.stream(), error)) {
        // An empty reason is a failed write to the CSV, which commit reports with its reason.
        if (!error.empty()) failed_ = true;
        return error.empty();
    }
    return true;
}

bool PairsCsv::commit(std::string& error) {
    // A file whose rows are missing is not put in place: commit only what is whole.
    if (failed_) {
        error = "rows are missing";
        return false;
    }
    return out_.commit(error);
}

}  // namespace korvel::replay
