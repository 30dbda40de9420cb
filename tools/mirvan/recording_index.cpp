#include "recording_index.h"

#include <algorithm>
#include <limits>

#include "codec/line_decoder.h"
#include "common/fatal_error.h"
#include "common/little_endian.h"
#include "format/record_reader.h"
#include "io/disk_file_opener.h"
#include "io/open_failure_text.h"
#include "particles/decode_context.h"

namespace korvel::mirvan {

RecordingIndex::RecordingIndex(const std::string& path, size_t max_entries)
    : ctx_(std::make_unique<DecodeContext>()),
      record_(std::make_unique<RawRecord>()),
      max_entries_(std::max<size_t>(max_entries, 2)) {
    DiskFileOpener opener;
    FileError error = FileError::none;
    file_ = opener.open_read_only(path, error);
    if (!file_) throw FatalError(open_failure_text(error, path, std::string::npos, 254));
    header_ = read_header(*file_, ctx_->header);
    read_record(*file_, data_start_, *record_);  // the header record again, to stand after it
    length_ = file_->length();
}

RecordingIndex::~RecordingIndex() = default;

double RecordingIndex::jump_lines(double line_rate) {
    // A second of lines; a rate no instrument has (a damaged header) counts as 10 kHz.
    return std::isfinite(line_rate) && line_rate >= 1.0 && line_rate <= 1e7 ? line_rate : 1e4;
}

bool RecordingIndex::read_whole(int16_t n) const {
    // The payload begins with the number of lines it declares: a record cut short, or read
    // with a wrong length, yields fewer (or none, where it declares some).
    if (record_->cmpr_n < 2) return false;
    const int16_t declared = load_i16(record_->payload.data());
    return declared == n || declared == 0;
}

const LineEntry* RecordingIndex::decoded_lines() const {
    return ctx_->line_buf.data();
}

RecordingIndex::Record RecordingIndex::next_record(uint32_t& pos, uint64_t end, Camera& camera,
                                                   int16_t& n) {
    n = 0;
    read_record(*file_, pos, *record_);
    if (record_->type == 0 && record_->cmpr_n == 0) {
        // Four zero bytes: where one stands, a pre-allocated tail may hold billions more.
        pos = pass_empty_records(*file_, pos, end, record_->payload);
        return Record::kEmptyRun;
    }
    if (record_->type != kCameraARecord && record_->type != kCameraBRecord) return Record::kOther;
    camera = record_->type == kCameraARecord ? Camera::A : Camera::B;
    // The one place mirvan decodes: the index and the pages see the same lines.
    if (decode_record(header_.header_version, record_->payload.data(), record_->cmpr_n,
                      ctx_->line_buf.data(), n) != 1) {
        n = 0;
    }
    return Record::kCamera;
}

void RecordingIndex::close_entry(IndexEntry& entry, bool& open) {
    if (!open) return;
    open = false;
    entries_.push_back(entry);
    if (entries_.size() <= max_entries_) return;
    // Too many stretches (a file of line numbers that leap back at every record, or of
    // records between endless empty ones): neighbours are joined two by two. Pages that meet
    // them decode more, but the index stays within its bound whatever the file holds.
    size_t kept = 0;
    for (size_t i = 0; i < entries_.size(); i += 2, ++kept) {
        IndexEntry joined = entries_[i];
        if (i + 1 < entries_.size()) {
            joined.end = entries_[i + 1].end;
            joined.a.add(entries_[i + 1].a);
            joined.b.add(entries_[i + 1].b);
        }
        entries_[kept] = joined;
    }
    entries_.resize(kept);
    if (entry_bytes_ <= std::numeric_limits<uint32_t>::max() / 2) entry_bytes_ *= 2;
}

void RecordingIndex::build(IndexProgress* progress) {
    entries_.clear();
    lines_a_ = lines_b_ = 0;
    problem_.clear();
    problem_position_ = 0;
    complete_ = false;
    entry_bytes_ = kEntryBytes;

    IndexEntry entry;
    bool open = false;
    bool cancelled = false;
    uint32_t pos = data_start_;
    // Where the record after the last one read whole begins. A record whose length field is
    // damaged sends reading into the middle of its neighbours' bytes, and parsing fails only
    // some way on: the damaged record is the first one after the last good one.
    uint32_t after_good = pos;
    const double jump = jump_lines(header_.line_rate);
    while (pos < length_) {
        if (progress) {
            if (progress->cancel.load(std::memory_order_relaxed)) {
                cancelled = true;
                break;
            }
            progress->position.store(pos, std::memory_order_relaxed);
        }
        const uint32_t at = pos;
        Camera camera = Camera::A;
        int16_t n = 0;
        Record kind = Record::kOther;
        try {
            kind = next_record(pos, length_, camera, n);
        } catch (const FatalError& e) {
            problem_ = e.text();
            problem_position_ = after_good;
            break;
        }
        if (kind == Record::kEmptyRun) {
            after_good = pos;
            close_entry(entry, open);  // a page never walks a run of empty records
            continue;
        }
        if (kind == Record::kCamera ? read_whole(n) : record_->type == kOtherRecord) {
            after_good = pos;
        }
        LineSpan span;
        uint64_t numbered = 0;
        for (int i = 0; i < n; ++i) {
            // A line without a usable number has no place in time.
            const double y = decoded_lines()[i].y_count;
            if (std::isfinite(y)) {
                span.add(y);
                ++numbered;
            }
        }
        (camera == Camera::A ? lines_a_ : lines_b_) += numbered;
        if (span.empty()) {
            if (open) entry.end = pos;
            continue;
        }
        // A stretch ends after kEntryBytes, and where a camera's lines go back in time: a
        // recording whose clock was set back keeps two stretches apart that pages find
        // separately. It ends too where they leap forward, so that no stretch spans a pause in
        // the recording and a page turn passes over the pause at once.
        const LineSpan& so_far = entry.of(camera);
        if (open &&
            (pos - entry.begin > entry_bytes_ ||
             (!so_far.empty() && (span.first < so_far.last || span.first - so_far.last > jump)))) {
            close_entry(entry, open);
        }
        if (!open) {
            entry = IndexEntry{};
            entry.begin = at;
            open = true;
        }
        entry.end = pos;
        entry.of(camera).add(span);
    }
    close_entry(entry, open);
    if (progress) progress->position.store(pos, std::memory_order_relaxed);
    complete_ = problem_.empty() && !cancelled;
}

PageRead RecordingIndex::read_page(double first, double count, const LineVisitor& draw) {
    PageRead out;
    const double to = first + count;
    uint64_t budget = kPageByteBudget;
    for (const IndexEntry& e : entries_) {
        if (!e.a.meets(first, to) && !e.b.meets(first, to)) continue;
        const uint64_t bytes = e.end - e.begin;
        if (bytes > budget) {
            out.partial = true;
            break;
        }
        budget -= bytes;
        uint32_t pos = e.begin;
        try {
            while (pos < e.end) {
                Camera camera = Camera::A;
                int16_t n = 0;
                if (next_record(pos, e.end, camera, n) != Record::kCamera) continue;
                if (!e.of(camera).meets(first, to)) continue;
                for (int i = 0; i < n; ++i) {
                    const LineEntry& line = decoded_lines()[i];
                    if (!(line.y_count >= first && line.y_count < to)) continue;
                    draw(camera, line);
                    ++(camera == Camera::A ? out.lines_a : out.lines_b);
                }
            }
        } catch (const FatalError& e) {
            // Read once without fault when indexed: the file has changed since.
            out.problem = e.text();
            break;
        }
    }
    return out;
}

double RecordingIndex::next_lines_from(double y) const {
    double best = NAN;
    for (const IndexEntry& e : entries_) {
        for (const LineSpan* s : {&e.a, &e.b}) {
            if (s->empty() || s->last < y) continue;
            const double at = std::max(s->first, y);
            if (!(best <= at)) best = at;
        }
    }
    return best;
}

double RecordingIndex::last_line_before(double y) const {
    double best = NAN;
    for (const IndexEntry& e : entries_) {
        for (const LineSpan* s : {&e.a, &e.b}) {
            if (s->empty() || s->first >= y) continue;
            const double at = s->last < y ? s->last : std::nextafter(y, -INFINITY);
            if (!(best >= at)) best = at;
        }
    }
    return best;
}

LineSpan RecordingIndex::lines() const {
    LineSpan all;
    for (const IndexEntry& e : entries_) {
        all.add(e.a);
        all.add(e.b);
    }
    return all;
}

}  // namespace korvel::mirvan
