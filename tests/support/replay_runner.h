#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace korvel::test {

// What a program run left behind: its exit status (-1 when it did not exit normally, for
// instance killed by a signal, with the signal in term_signal) and everything it printed.
struct ProgramRun {
    int status = -1;
    int term_signal = 0;
    bool timed_out = false;  // killed after its time limit
    std::string out;
    std::string err;

    // stdout split at line ends, without them.
    std::vector<std::string> out_lines() const;
};

// Runs program with args (no shell: every argument reaches it as it stands), with standard
// input closed and its output captured through files in a directory of its own. Fails the
// current test if the program is missing or cannot be started.
// With a time limit above zero, a program still running after it is killed (SIGKILL) and
// reported as timed out; while_running, if given, is called with its pid every millisecond
// or so until it ends.
ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       std::chrono::milliseconds time_limit = std::chrono::milliseconds{0},
                       const std::function<void(pid_t)>& while_running = {});

// The same with standard output going to the file stdout_path (for instance /dev/full)
// instead of being captured; out stays empty.
ProgramRun run_program_to(const std::string& stdout_path, const std::string& program,
                          const std::vector<std::string>& args,
                          std::chrono::milliseconds time_limit = std::chrono::milliseconds{0});

}  // namespace korvel::test
