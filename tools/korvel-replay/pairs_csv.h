#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace korvel::replay {

// Puts the --pairs CSV together: the header row, then each file's rows (held in parts, one
// temporary file per recording, in the order the files were named) copied to out. with_file:
// the rows carry a leading file column. False with the reason in error when a part cannot be
// read back or out cannot be written.
bool write_pairs_csv(std::FILE* out, bool with_file, const std::vector<std::FILE*>& parts,
                     std::string& error);

}  // namespace korvel::replay
