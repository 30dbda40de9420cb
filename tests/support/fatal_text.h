#pragma once

#include <string>

#include "common/fatal_error.h"

namespace korvel::test {

// Runs f and returns the text of the FatalError it raised, or "<no error>". Comparing texts
// checks both that the right error was raised and that it carries the user's exact message.
template <typename F>
std::string fatal_text(F&& f) {
    try {
        f();
    } catch (const FatalError& e) {
        return e.text();
    }
    return "<no error>";
}

}  // namespace korvel::test
