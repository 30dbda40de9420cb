#pragma once

#include <string>
#include <vector>

namespace korvel::replay {

// An output a command line asks for: the option that named it and its path.
struct NamedOutput {
    std::string option;  // "--minutes", "--overview", ...
    std::string path;
};

// Checks, before anything is replayed, that no output would land on something the run still
// needs: a recording named as input or the index beside it, another output, or standard
// output while the events or the summary are written there. Files are told apart by identity
// (device and inode), so another spelling, a symbolic link or a hard link is caught too; the
// null device may be named any number of times. Returns the problem, naming both, or an empty
// text.
std::string output_conflict(const std::vector<NamedOutput>& outputs,
                            const std::vector<std::string>& recordings, bool stdout_in_use);

// Checks that an output can be written where it is named: the path is not a directory, and
// its directory exists and takes new files. Returns the problem ("cannot write PATH: ...") with
// the system's reason, or an empty text.
std::string output_place_problem(const NamedOutput& output);

// A recording named on the command line that is a directory; an empty text otherwise.
std::string recording_is_directory(const std::vector<std::string>& recordings);

}  // namespace korvel::replay
