#pragma once

#include <optional>
#include <string>
#include <vector>

#include "io/file_identity.h"

namespace korvel {

// Why an output may not be written where it is named.
struct OutputRefusal {
    enum class Kind { none, recording_name, input };
    Kind kind = Kind::none;
    std::string ending;  // recording_name: ".ab" or ".abh"
    size_t input = 0;    // input: which of the inputs the target is
    explicit operator bool() const { return kind != Kind::none; }
};

// ".ab" or ".abh" when path has the name of a recording or of its index, else empty. A slip
// of the shell (--minutes *.ab) or of a file dialog makes a recording the output without it
// being named as an input: nothing a program writes ever takes such a name.
std::string recording_name_ending(const std::string& path);

// Checks an output's target against the program's inputs, given by identity (taken from the
// open descriptors where the inputs are open, so a recording renamed since is still caught).
// A recording's name is refused even when no such file exists.
OutputRefusal refuse_output(const std::string& target,
                            const std::vector<std::optional<FileIdentity>>& inputs);

}  // namespace korvel
