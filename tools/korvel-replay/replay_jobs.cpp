#include "replay_jobs.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "overview_png.h"
#include "replay_progress.h"
#include "replay_run.h"
#include "statistics/minute_csv.h"

namespace korvel::replay {
namespace {

struct FileCloser {
    void operator()(std::FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

int job_count(const ReplayOptions& o, size_t files) {
    size_t jobs = o.jobs > 0 ? static_cast<size_t>(o.jobs) : std::thread::hardware_concurrency();
    if (jobs == 0) jobs = 1;
    return static_cast<int>(jobs < files ? jobs : files);
}

// Copies what a held-back file printed to out.
bool copy_out(std::FILE* from, std::FILE* out) {
    if (std::fflush(from) != 0 || std::fseek(from, 0, SEEK_SET) != 0) return false;
    char buffer[1 << 16];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, from)) > 0) {
        if (std::fwrite(buffer, 1, n, out) != n) return false;
    }
    return std::ferror(from) == 0;
}

bool write_text_file(const std::string& path, const std::string& text, std::string& error) {
    FilePtr f(std::fopen(path.c_str(), "wb"));
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f.get()) == text.size();
    const int closed = std::fclose(f.release());
    if (!written || closed != 0) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

// The outputs made of all files' counts, once every file is through. Returns 0, 1 when the
// CSV could not be written, 2 when the picture could not be.
int write_summaries(const ReplayOptions& o, const std::vector<FileReplay>& results,
                    std::FILE* err) {
    int status = 0;
    if (!o.minutes_csv.empty()) {
        const bool several = o.files.size() > 1;
        std::string csv = minute_csv_header(several);
        for (size_t i = 0; i < results.size(); ++i) {
            if (results[i].minutes) {
                append_minute_rows(csv, *results[i].minutes, several ? &o.files[i] : nullptr);
            }
        }
        std::string error;
        if (!write_text_file(o.minutes_csv, csv, error)) {
            std::fprintf(err, "korvel-replay: cannot write %s: %s\n", o.minutes_csv.c_str(),
                         error.c_str());
            status = 1;
        }
    }
    if (!o.overview_png.empty() && results.size() == 1 && results[0].minutes) {
        std::string error;
        const std::string name = std::filesystem::path(o.files[0]).filename().string();
        if (!write_overview_png(*results[0].minutes, name, o.overview_width, o.overview_height,
                                o.overview_png, error)) {
            std::fprintf(err, "korvel-replay: cannot write %s: %s\n", o.overview_png.c_str(),
                         error.c_str());
            status = 2;  // as for a --snapshot picture that can't be written
        }
    }
    return status;
}

// replay_file, with whatever else it throws (memory running out, say) caught here at the edge
// of the thread that runs it: that file has failed, and the other files go on.
int replay_caught(const ReplayOptions& o, size_t i, std::FILE* out, ReplayProgress& progress,
                  FileReplay& result, ReplayDrawing* drawing) {
    try {
        return replay_file(o, o.files[i], out, progress, i, result, drawing);
    } catch (const std::exception& e) {
        result.fatal_text = std::string("korvel-replay: ") + e.what();
    } catch (...) {
        result.fatal_text = "korvel-replay: an unknown error";
    }
    return 1;
}

}  // namespace

int run_replays(const ReplayOptions& o, std::FILE* out, std::FILE* err, ReplayDrawing* drawing) {
    const size_t n = o.files.size();
    std::vector<FileReplay> results(n);
    ReplayProgress progress(err, n);
    for (size_t i = 0; i < n; ++i) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(o.files[i], ec);
        progress.update(i, 0, ec ? 0 : static_cast<uint64_t>(size));
    }
    int status = 0;
    if (n == 1) {
        status = replay_caught(o, 0, out, progress, results[0], drawing);
        progress.finish();
        if (!results[0].fatal_text.empty()) {
            std::fprintf(err, "%s\n", results[0].fatal_text.c_str());
        }
        if (!results[0].drawing_error.empty()) {
            std::fprintf(err, "korvel-replay: %s\n", results[0].drawing_error.c_str());
        }
    } else {
        std::vector<FilePtr> held(n);
        for (auto& f : held) {
            f.reset(std::tmpfile());
            if (!f) {
                std::fprintf(err, "korvel-replay: cannot make a temporary file: %s\n",
                             std::strerror(errno));
                return 1;
            }
        }
        std::vector<int> statuses(n, 0);
        std::atomic<size_t> next{0};
        auto work = [&] {
            for (size_t i; (i = next.fetch_add(1)) < n;) {
                statuses[i] = replay_caught(o, i, held[i].get(), progress, results[i], nullptr);
            }
        };
        std::vector<std::thread> workers;
        for (int j = 1; j < job_count(o, n); ++j) workers.emplace_back(work);
        work();
        for (auto& t : workers) t.join();
        progress.finish();
        for (size_t i = 0; i < n; ++i) {
            if (!copy_out(held[i].get(), out)) {
                std::fprintf(err, "korvel-replay: %s: its output could not be passed on\n",
                             o.files[i].c_str());
                status = 1;
            }
            if (!results[i].fatal_text.empty()) {
                std::fflush(out);
                std::fprintf(err, "%s: %s\n", o.files[i].c_str(), results[i].fatal_text.c_str());
            }
            if (statuses[i] != 0) status = 1;
        }
    }
    std::fflush(out);
    const int written = write_summaries(o, results, err);
    if (written > status) status = written;
    return status;
}

}  // namespace korvel::replay
