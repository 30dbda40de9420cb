#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "codec/line_entry.h"
#include "common/camera.h"
#include "format/header_reader.h"
#include "format/raw_record.h"
#include "io/byte_source.h"

namespace korvel {
struct DecodeContext;
}

namespace korvel::mirvan {

// The line numbers one camera has in a stretch of the file: empty while first > last.
struct LineSpan {
    double first = INFINITY;
    double last = -INFINITY;

    bool empty() const { return first > last; }
    void add(double y) {
        first = std::min(first, y);
        last = std::max(last, y);
    }
    void add(const LineSpan& other) {
        first = std::min(first, other.first);
        last = std::max(last, other.last);
    }
    // Whether a line of the span may lie in [from, to).
    bool meets(double from, double to) const { return first < to && last >= from; }
};

// A stretch of consecutive records, [begin, end) in the file, and the lines each camera has
// in it. Reading a page decodes only the stretches whose lines meet the page.
struct IndexEntry {
    uint32_t begin = 0;
    uint32_t end = 0;
    LineSpan a;
    LineSpan b;

    LineSpan& of(Camera c) { return c == Camera::A ? a : b; }
    const LineSpan& of(Camera c) const { return c == Camera::A ? a : b; }
};

// How far indexing has come, read by another thread while it runs, and its stop request.
struct IndexProgress {
    std::atomic<uint64_t> position{0};
    std::atomic<bool> cancel{false};
};

// What reading one page found.
struct PageRead {
    uint64_t lines_a = 0;  // lines drawn, camera A
    uint64_t lines_b = 0;  // the same for camera B
    bool partial = false;  // stopped at kPageByteBudget: more records might hold lines here
    std::string problem;   // a record that could not be read again (the file changed)
};

// A recording known by where its lines lie, not by its lines: the index holds one entry per
// stretch of records (at most max_entries of them, whatever the file holds), so its memory is
// bounded, and a page of lines is decoded from the file when it is shown.
class RecordingIndex {
  public:
    // Stretches start at kEntryBytes of records; when there would be more than max_entries,
    // neighbours are joined two by two and the stretch length doubles.
    static constexpr uint32_t kEntryBytes = 64 * 1024;
    static constexpr size_t kMaxEntries = size_t{1} << 18;
    // Records one page may decode. Only a recording whose line numbers leap back and forth
    // all over the file needs more for one page; that page is drawn from what was read.
    static constexpr uint64_t kPageByteBudget = 64ull << 20;

    // Opens the recording and reads its header. Throws FatalError with the text the user is
    // shown when the file cannot be opened or its header is unusable.
    explicit RecordingIndex(const std::string& path, size_t max_entries = kMaxEntries);
    ~RecordingIndex();
    RecordingIndex(const RecordingIndex&) = delete;
    RecordingIndex& operator=(const RecordingIndex&) = delete;

    // Reads every record once, from the header to the file's length when it was opened (which
    // length() gives, also while build runs on another thread). A damaged
    // record ends the index: what came before it stays browsable, problem() says why and
    // problem_position() where. Runs of empty records go by at memory speed. May run on
    // another thread than the one that made the index; nothing else may use it meanwhile.
    void build(IndexProgress* progress = nullptr);

    // Calls draw for every line of both cameras with first <= y_count < first + count, in
    // file order, decoding the records of the entries that meet the range.
    using LineVisitor = std::function<void(Camera, const LineEntry&)>;
    PageRead read_page(double first, double count, const LineVisitor& draw);

    // The smallest line number >= y at which a line may stand (NaN when none may), and the
    // largest < y (NaN when none may): where browsing jumps over a stretch without lines.
    double next_lines_from(double y) const;
    double last_line_before(double y) const;

    const HeaderInfo& header() const { return header_; }
    uint64_t length() const { return length_; }
    const std::vector<IndexEntry>& entries() const { return entries_; }
    LineSpan lines() const;  // both cameras, the whole index
    uint64_t line_count(Camera c) const { return c == Camera::A ? lines_a_ : lines_b_; }
    const std::string& problem() const { return problem_; }
    // Where the damaged record begins: the first record after the last one read whole.
    uint32_t problem_position() const { return problem_position_; }
    // How far a camera's line numbers may leap forward from one record to the next within a
    // stretch: a second of lines at line_rate.
    static double jump_lines(double line_rate);
    bool complete() const { return complete_; }

  private:
    enum class Record { kCamera, kOther, kEmptyRun };
    // Reads the record at pos and advances pos past it, or past the whole run of empty
    // records that starts there. A camera record is decoded into the context's line buffer
    // (n lines; 0 for a record the decoder ignores). Throws FatalError for a damaged record.
    Record next_record(uint32_t& pos, uint64_t end, Camera& camera, int16_t& n);
    void close_entry(IndexEntry& entry, bool& open);
    // Whether the camera record just read, decoded to n lines, gave all the lines it declares.
    bool read_whole(int16_t n) const;
    const LineEntry* decoded_lines() const;

    std::unique_ptr<ByteSource> file_;
    std::unique_ptr<DecodeContext> ctx_;  // the decoder's buffers: decoded lines land here
    std::unique_ptr<RawRecord> record_;
    HeaderInfo header_;
    uint32_t data_start_ = 0;  // the first record after the header
    uint64_t length_ = 0;
    size_t max_entries_;
    uint32_t entry_bytes_ = kEntryBytes;
    std::vector<IndexEntry> entries_;
    uint64_t lines_a_ = 0;
    uint64_t lines_b_ = 0;
    std::string problem_;
    uint32_t problem_position_ = 0;
    bool complete_ = false;
};

}  // namespace korvel::mirvan
