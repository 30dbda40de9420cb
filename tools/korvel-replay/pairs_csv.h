#pragma once

#include <cstdio>
#include <string>

#include "atomic_output.h"
#include "pair_rows.h"
#include "spool_file.h"

namespace korvel::replay {

// The --pairs CSV: the header row, then each recording's rows in the order the files were
// named. The file appears complete or not at all (written under a temporary name beside its
// target, renamed at commit). One recording's rows go straight into it; several recordings
// replayed side by side each hold theirs in a spool file until their turn.
class PairsCsv {
  public:
    // Creates the file and writes the header; with_file adds the leading file column.
    // False with the system's reason in error.
    bool open(const std::string& path, bool with_file, std::string& error);
    std::FILE* stream() const { return out_.stream(); }

    // Writes what rows still holds (its stream being stream() or spool's), then copies the
    // spool, when there is one, into the CSV. False with the reason in error.
    bool take(PairRows* rows, SpoolFile* spool, std::string& error);

    // Renames the complete file into place. False with the reason in error.
    bool commit(std::string& error);

  private:
    AtomicOutput out_;
    bool failed_ = false;
};

}  // namespace korvel::replay
