#include "replay_jobs.h"

#include <condition_variable>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "atomic_output.h"
#include "overview_png.h"
#include "pairs_csv.h"
#include "replay_progress.h"
#include "replay_run.h"
#include "spool_file.h"
#include "statistics/minute_csv.h"

namespace korvel::replay {
namespace {

size_t job_count(const ReplayOptions& o, size_t files) {
    size_t jobs = o.jobs > 0 ? static_cast<size_t>(o.jobs) : std::thread::hardware_concurrency();
    if (jobs == 0) jobs = 1;
    return jobs < files ? jobs : files;
}

// The CSV of all files' counts, written row by row into a file that takes the target's place
// only when complete. Returns false with the reason in error.
bool write_minutes_csv(const ReplayOptions& o, const std::vector<FileReplay>& results,
                       std::string& error) {
    AtomicOutput file;
    if (!file.open(o.minutes_csv, error)) return false;
    const bool several = o.files.size() > 1;
    const std::string header = minute_csv_header(several);
    file.write(header.data(), header.size());
    for (size_t i = 0; i < results.size(); ++i) {
        if (!results[i].minutes) continue;
        for_each_minute_row(*results[i].minutes, several ? &o.files[i] : nullptr,
                            [&file](const std::string& row) { file.write(row.data(), row.size()); });
    }
    return file.commit(error);
}

// The outputs made of all files' counts, once every file is through, and the pairs CSV the
// files' rows went to. Returns 0, or 1 when one of them could not be written.
int write_summaries(const ReplayOptions& o, const std::vector<FileReplay>& results,
                    PairsCsv* pairs, std::FILE* err) {
    int status = 0;
    std::string error;
    if (pairs != nullptr && !pairs->commit(error)) {
        std::fprintf(err, "korvel-replay: cannot write %s: %s\n", o.pairs_csv.c_str(),
                     error.c_str());
        status = 1;
    }
    if (!o.minutes_csv.empty() && !write_minutes_csv(o, results, error)) {
        std::fprintf(err, "korvel-replay: cannot write %s: %s\n", o.minutes_csv.c_str(),
                     error.c_str());
        status = 1;
    }
    if (!o.overview_png.empty() && results.size() == 1 && results[0].minutes) {
        const std::string name = std::filesystem::path(o.files[0]).filename().string();
        if (!write_overview_png(*results[0].minutes, name, o.overview_width, o.overview_height,
                                o.overview_png, error)) {
            std::fprintf(err, "korvel-replay: cannot write %s: %s\n", o.overview_png.c_str(),
                         error.c_str());
            status = 1;
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

// Several files side by side. Each file's output is held in a spool file of its own until the
// files before it are out, and passed on then at once. A file starts only while fewer than
// --jobs files are running or waiting for their turn, so no more spool files are open at a time.
class SideBySide {
  public:
    SideBySide(const ReplayOptions& o, std::FILE* out, std::FILE* err,
               std::vector<FileReplay>& results, ReplayProgress& progress, PairsCsv* pairs)
        : o_(o), out_(out), err_(err), results_(results), progress_(progress), pairs_(pairs),
          n_(o.files.size()), jobs_(job_count(o, n_)), spools_(n_), pair_spools_(n_),
          done_(n_, 0), statuses_(n_, 0) {}

    int run() {
        std::vector<std::thread> workers;
        for (size_t j = 1; j < jobs_; ++j) workers.emplace_back([this] { work(); });
        work();
        for (auto& t : workers) t.join();
        return status_;
    }

  private:
    void work() {
        std::unique_lock lock(mutex_);
        for (;;) {
            turn_.wait(lock, [this] { return next_ >= n_ || next_ < passed_ + jobs_; });
            if (next_ >= n_) return;
            const size_t i = next_++;
            lock.unlock();
            auto spool = std::make_unique<SpoolFile>();
            std::string error;
            int status = 1;
            if (spool->open(error) && (pairs_ == nullptr || open_pair_spool(i, error))) {
                status = replay_caught(o_, i, spool->stream(), progress_, results_[i], nullptr);
            } else {
                results_[i].fatal_text = error;
                spool.reset();
                pair_spools_[i].reset();
            }
            lock.lock();
            spools_[i] = std::move(spool);
            statuses_[i] = status;
            done_[i] = 1;
            // One thread at a time passes on every finished file whose predecessors are out.
            while (!passing_ && passed_ < n_ && done_[passed_]) {
                passing_ = true;
                const size_t k = passed_;
                lock.unlock();
                pass_on(k);
                lock.lock();
                spools_[k].reset();
                pair_spools_[k].reset();
                ++passed_;
                passing_ = false;
            }
            turn_.notify_all();
        }
    }

    // The file's pair rows wait in a spool of their own, as its output does.
    bool open_pair_spool(size_t i, std::string& error) {
        auto spool = std::make_unique<SpoolFile>();
        if (!spool->open(error)) return false;
        results_[i].pairs_to = spool->stream();
        results_[i].pairs_file_column = csv_field(o_.files[i]);
        pair_spools_[i] = std::move(spool);
        return true;
    }

    void pass_on(size_t k) {
        std::string error;
        if (spools_[k] && !spools_[k]->pass_on(out_, error) && !error.empty()) {
            std::fprintf(err_, "korvel-replay: %s: %s\n", o_.files[k].c_str(), error.c_str());
            statuses_[k] = 1;
        }
        if (pair_spools_[k] &&
            !pairs_->take(results_[k].pairs.get(), pair_spools_[k].get(), error)) {
            std::fprintf(err_, "korvel-replay: %s: %s: %s\n", o_.files[k].c_str(),
                         o_.pairs_csv.c_str(), error.c_str());
            statuses_[k] = 1;
        }
        std::fflush(out_);
        if (!results_[k].fatal_text.empty()) {
            std::fprintf(err_, "%s: %s\n", o_.files[k].c_str(), results_[k].fatal_text.c_str());
        }
        if (statuses_[k] != 0) status_ = 1;
    }

    const ReplayOptions& o_;
    std::FILE* out_;
    std::FILE* err_;
    std::vector<FileReplay>& results_;
    ReplayProgress& progress_;
    PairsCsv* pairs_;  // --pairs; null: none
    const size_t n_;
    const size_t jobs_;
    std::mutex mutex_;
    std::condition_variable turn_;
    size_t next_ = 0;    // the next file to start
    size_t passed_ = 0;  // the files whose output is out
    bool passing_ = false;
    std::vector<std::unique_ptr<SpoolFile>> spools_;
    std::vector<std::unique_ptr<SpoolFile>> pair_spools_;
    std::vector<char> done_;
    std::vector<int> statuses_;
    int status_ = 0;
};

}  // namespace

int run_replays(const ReplayOptions& o, std::FILE* out, std::FILE* err, ReplayDrawing* drawing) {
    const size_t n = o.files.size();
    std::vector<FileReplay> results(n);
    std::unique_ptr<PairsCsv> pairs;
    if (!o.pairs_csv.empty()) {
        pairs = std::make_unique<PairsCsv>();
        std::string error;
        if (!pairs->open(o.pairs_csv, n > 1, error)) {
            std::fprintf(err, "korvel-replay: cannot write %s: %s\n", o.pairs_csv.c_str(),
                         error.c_str());
            return 1;
        }
        if (n == 1) results[0].pairs_to = pairs->stream();
    }
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
        std::string error;
        if (pairs && !pairs->take(results[0].pairs.get(), nullptr, error)) {
            std::fprintf(err, "korvel-replay: %s: %s\n", o.pairs_csv.c_str(), error.c_str());
            status = 1;
        }
    } else {
        status = SideBySide(o, out, err, results, progress, pairs.get()).run();
        progress.finish();
    }
    std::fflush(out);
    const int written = write_summaries(o, results, pairs.get(), err);
    if (written > status) status = written;
    return status;
}

}  // namespace korvel::replay
