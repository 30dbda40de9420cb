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

// Why the CSV may not go to path, or empty when it may: it is one of the recordings or their
// indexes (the same file by device and inode, whatever the names), or its directory is not
// there. Asked before the replay, so nothing runs for an output that would destroy an input.
std::string pairs_output_problem(const std::string& path, const std::vector<std::string>& inputs);

// Writes the CSV under a temporary name beside path and renames it into place when complete,
// so a failure never leaves a cut CSV or destroys an earlier one. False with the reason.
bool write_pairs_file(const std::string& path, bool with_file,
                      const std::vector<std::FILE*>& parts, std::string& error);

}  // namespace korvel::replay
