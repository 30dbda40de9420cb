#pragma once

#include <cstdio>
#include <cstdlib>

namespace korvel::fuzz {

// A harness checks what the code under test promises, not only that it survives. A broken
// promise is a finding like a crash: report it and abort, so that libFuzzer saves the input
// and the corpus replay fails.
inline void require(bool holds, const char* promise) {
    if (holds) return;
    std::fprintf(stderr, "korvel fuzz: broken promise: %s\n", promise);
    std::abort();
}

}  // namespace korvel::fuzz
