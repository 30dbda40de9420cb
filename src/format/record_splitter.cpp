#include "format/record_splitter.h"

#include <algorithm>
#include <stdexcept>

#include "codec/line_encoder.h"
#include "format/raw_record.h"

namespace korvel {

RecordSplitter::RecordSplitter(std::span<const LineEntry> lines, int16_t header_version)
    : lines_(lines), header_version_(header_version) {}

// Cuts a little below the limit: the block headers do not shrink in proportion to the lines.
size_t RecordSplitter::guess_fit() const {
    return static_cast<size_t>(0.97 * kPayloadCapacity / bytes_per_line_);
}

bool RecordSplitter::next() {
    if (done_ >= lines_.size()) return false;
    const size_t remaining = lines_.size() - done_;
    const size_t most = std::min(remaining, static_cast<size_t>(kMaxLinesPerRecord));
    size_t n = most;
    if (bytes_per_line_ > 0.0) n = std::clamp(guess_fit(), size_t{1}, most);
    for (;;) {
        payload_.clear();
        const size_t size = encode_record(lines_.subspan(done_, n), header_version_, payload_);
        const bool fits = size <= static_cast<size_t>(kPayloadCapacity);
        // Dense lines: remember their size, so the next piece starts near the limit instead
        // of being encoded once at full length and then cut.
        if (!fits || n < most) bytes_per_line_ = static_cast<double>(size) / static_cast<double>(n);
        if (fits) break;
        // Six runs take a few bytes, so one line always fits; this guards the loop's end.
        if (n == 1) throw std::logic_error("a single scan line exceeds the record limit");
        n = std::clamp(guess_fit(), size_t{1}, n - 1);
    }
    first_line_ = lines_[done_].y_count;
    count_ = n;
    done_ += n;
    return true;
}

}  // namespace korvel
