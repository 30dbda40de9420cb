#include "support/replay_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <cerrno>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

namespace korvel::test {

std::vector<std::string> ProgramRun::out_lines() const {
    std::vector<std::string> lines;
    size_t begin = 0;
    while (begin < out.size()) {
        size_t end = out.find('\n', begin);
        if (end == std::string::npos) end = out.size();
        lines.push_back(out.substr(begin, end - begin));
        begin = end + 1;
    }
    return lines;
}

namespace {

ProgramRun run_with(const std::string* stdout_path, const std::string& program,
                    const std::vector<std::string>& args, std::chrono::milliseconds time_limit,
                    const std::function<void(pid_t)>& while_running = {}) {
    ProgramRun run;
    if (access(program.c_str(), X_OK) != 0) {
        ADD_FAILURE() << program << " is missing: build it first";
        return run;
    }
    TempDir dir;
    const std::string out_path = dir.file("stdout");
    const std::string err_path = dir.file("stderr");

    std::vector<std::string> argv_text;
    argv_text.push_back(program);
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);

    // Everything the child needs is prepared before fork: between fork and exec only
    // async-signal-safe calls are made.
    const int out_fd = open(stdout_path ? stdout_path->c_str() : out_path.c_str(),
                            O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int err_fd = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int null_fd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (out_fd < 0 || err_fd < 0 || null_fd < 0) {
        ADD_FAILURE() << "could not create the output files in " << dir.path();
        return run;
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(null_fd, STDIN_FILENO);
        dup2(out_fd, STDOUT_FILENO);
        dup2(err_fd, STDERR_FILENO);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out_fd);
    close(err_fd);
    close(null_fd);
    if (pid < 0) {
        ADD_FAILURE() << "fork failed";
        return run;
    }
    int raw = 0;
    if (time_limit.count() > 0) {
        const auto deadline = std::chrono::steady_clock::now() + time_limit;
        for (;;) {
            const pid_t done = waitpid(pid, &raw, WNOHANG);
            if (done == pid) break;
            if (done < 0 && errno != EINTR) {
                ADD_FAILURE() << "waitpid failed";
                return run;
            }
            if (std::chrono::steady_clock::now() > deadline) {
                kill(pid, SIGKILL);
                while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
                }
                run.timed_out = true;
                break;
            }
            if (while_running) while_running(pid);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } else {
        while (waitpid(pid, &raw, 0) < 0) {
            if (errno != EINTR) {
                ADD_FAILURE() << "waitpid failed";
                return run;
            }
        }
    }
    if (WIFEXITED(raw)) {
        run.status = WEXITSTATUS(raw);
    } else if (WIFSIGNALED(raw)) {
        run.term_signal = WTERMSIG(raw);
    }
    if (!stdout_path) {
        const auto out = read_file(out_path);
        run.out.assign(out.begin(), out.end());
    }
    const auto err = read_file(err_path);
    run.err.assign(err.begin(), err.end());
    return run;
}

}  // namespace

ProgramRun run_program(const std::string& program, const std::vector<std::string>& args,
                       std::chrono::milliseconds time_limit,
                       const std::function<void(pid_t)>& while_running) {
    return run_with(nullptr, program, args, time_limit, while_running);
}

ProgramRun run_program_to(const std::string& stdout_path, const std::string& program,
                          const std::vector<std::string>& args,
                          std::chrono::milliseconds time_limit) {
    return run_with(&stdout_path, program, args, time_limit);
}

}  // namespace korvel::test
