#include "live_recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>

#include "common/fatal_error.h"
#include "rain_recording.h"

namespace korvel {

LiveFile::LiveFile(std::string path) : path_(std::move(path)) {
    // O_EXCL: a recording that is already there is never written over.
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        if (errno == EEXIST) {
            throw FatalError(path_ + " exists: --live writes a new recording and never over one");
        }
        fail("cannot create");
    }
}

LiveFile::~LiveFile() {
    if (fd_ >= 0) ::close(fd_);
}

void LiveFile::fail(const char* what) {
    throw FatalError(std::string(what) + " " + path_ + ": " + std::strerror(errno));
}

void LiveFile::write(const uint8_t* data, size_t n) {
    if (fd_ < 0) throw FatalError("write to " + path_ + " after it was closed");
    pending_.insert(pending_.end(), data, data + n);
}

void LiveFile::flush() {
    size_t done = 0;
    while (done < pending_.size()) {
        const ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
    pending_.clear();
}

void LiveFile::write_over(const std::vector<uint8_t>& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                   static_cast<off_t>(done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            fail("cannot write");
        }
        done += static_cast<size_t>(n);
    }
}

void LiveFile::close() {
    if (fd_ < 0) return;
    flush();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) fail("cannot close");
}

void write_rain_live(RainSimulator& rain, RecordingWriter& writer, LiveFile& data,
                     VectorSink& index_tables, LiveFile& index_file, double speed) {
    using Clock = std::chrono::steady_clock;
    const RainConfig& config = rain.config();
    const double seconds = static_cast<double>(config.line_count) / config.line_rate;
    const int64_t per_minute = lines_per_minute(writer.header());
    const Clock::time_point began = Clock::now();
    double share_before = 0.0;
    int64_t minute_written = config.first_line / per_minute;
    // The index first: a reader that finds the header finds an index beside it.
    index_file.write_over(writer.index_so_far());
    data.flush();  // the header record
    const auto pace = [&](double share_after) {
        // The minute the slice begins in: a new one gets its index before its first record.
        const auto line = static_cast<int64_t>(static_cast<double>(config.first_line) +
                                               share_before * static_cast<double>(config.line_count));
        const int64_t minute = line / per_minute;
        if (minute != minute_written) {
            index_file.write_over(writer.index_so_far());
            minute_written = minute;
        }
        // A slice is written once its lines have been scanned.
        const std::chrono::duration<double> due(share_after * seconds / speed);
        std::this_thread::sleep_until(began + std::chrono::duration_cast<Clock::duration>(due));
    };
    write_rain(rain, writer, [&](double share) {
        data.flush();
        share_before = share;
    }, pace);
    writer.finish();
    index_file.write_over(index_tables.bytes());
    index_file.close();
}

}  // namespace korvel
