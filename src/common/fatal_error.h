#pragma once

#include <stdexcept>
#include <string>

namespace korvel {

// A condition that makes the data unusable. It carries the exact text the user is shown
// ("mp04", "neg. time jump in B", ...). The core only raises it: the operation that started
// the work (a shell command, a tool's main) shows the text and ends the program.
class FatalError : public std::runtime_error {
  public:
    explicit FatalError(const std::string& text) : std::runtime_error(text) {}
    const char* text() const noexcept { return what(); }
};

}  // namespace korvel
