#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <stop_token>
#include <thread>

#include "codec/line_entry.h"
#include "common/camera.h"
#include "common/zeroed_array.h"
#include "format/raw_record.h"
#include "io/byte_source.h"
#include "particles/assembled_record.h"

namespace korvel {

// What the decode thread found at the camera reader's position.
enum class AheadKind : uint8_t {
    record,    // the camera's next record, decoded: n lines (0: a record to be ignored)
    passed,    // records of other types only, passed over up to next
    in_place,  // the step reads the record at `from` itself: a record cut by the end of the
               // data, a read error, anything whose handling depends on the moment it is read
};

// One item of the camera's stream. Records of other types before a camera record are folded
// into its item, so from <= last < next.
struct AheadItem {
    AheadKind kind = AheadKind::in_place;
    bool rising = false;  // record: each line lies above the one before
    int16_t n = 0;        // record: lines decoded
    uint32_t from = 0;    // the reader's position the item starts at
    uint32_t last = 0;    // the start of the last record it covers: for a record item, its own
    uint32_t next = 0;    // the reader's position after it
    double y_first = 0.0;  // record: the first and the last line's number
    double y_last = 0.0;
    const LineEntry* lines = nullptr;  // record: its lines, valid until the camera's next take
    AssembledRecord assembled;  // record: its particles; allocations -1 when not assembled
};

// Reads, decodes and assembles one camera's records on a second thread, ahead of the
// playback step.
//
// A camera's reader walks the whole file in order whatever the step does between its reads,
// and assembly starts every record on an empty assign queue, so a thread of its own can read,
// decode and assemble that camera's stream ahead of the step into a bounded ring (a few MB,
// whatever the file). The step takes the records from there, and of each the particles
// assembly makes, instead of doing that work itself; the other camera it reads itself, so
// the two cores share the work. What crosses from one core to the other is the particles, a
// tenth of the size of the decoded lines: moving the lines would cost more than decoding
// them (their lines stay in the ring, for a view that draws them and for the rare record
// the step must assemble itself).
//
// Every decision stays with the step. The thread reads no record that starts at or beyond
// the length the step last measured; anything whose outcome depends on when it is read (a
// cut record, a read error) is handed on as an in_place item at that record's position, for
// the step to read itself exactly as it does without this thread; and the step takes a
// record's particles only where its pool has room for all of them. An item that does not
// start where the step's reader stands makes the thread start over there; nothing it decoded
// is ever taken out of order.
class DecodeAhead {
  public:
    // source: a source of its own over the data file's bytes, read on the decode thread
    // only. assemble: whether records are assembled ahead too (the step assembles nothing
    // while no view is on).
    DecodeAhead(std::unique_ptr<ByteSource> source, int16_t header_version, Camera camera,
                bool assemble);
    ~DecodeAhead();
    DecodeAhead(const DecodeAhead&) = delete;
    DecodeAhead& operator=(const DecodeAhead&) = delete;

    Camera camera() const { return camera_; }

    // The data file's length as the step measured it: the thread reads no record starting at
    // or beyond it until it is raised.
    void set_limit(uint64_t length);

    // The item at the camera's read position pos, where the step's length is length, waiting
    // for the thread as long as needed. nullptr: the step reads the record at pos in place.
    const AheadItem* take(uint32_t pos, uint64_t length);

  private:
    static constexpr int kBatches = 4;
    static constexpr int kBatchLines = 4096;  // decoded lines a batch holds
    static constexpr int kBatchItems = 512;
    static constexpr int kBatchParticles = 1024;
    static constexpr int kBatchSegments = 32768;
    static constexpr uint32_t kNever = UINT32_MAX;  // a wake-up mark no count reaches

    // A stretch of the camera's stream: published whole, taken item by item.
    struct Batch {
        uint32_t generation = 0;
        int count = 0;
        int lines_used = 0;
        int particles_used = 0;
        uint32_t segments_used = 0;
        ZeroedArray<AheadItem> items;
        ZeroedArray<LineEntry> lines;
        ZeroedArray<AssembledParticle> particles;
        ZeroedArray<Segment> segments;

        // Whether another record of any size fits.
        bool has_room() const;
    };

    // What one turn of the thread could do.
    enum class Turn { produced, idle };

    void run(std::stop_token stop);
    Turn turn(uint64_t limit);
    void produce(Batch& batch, uint64_t limit);
    void decode_into(Batch& batch, AheadItem& item);
    void publish();
    void wake_thread();
    void request_restart(uint32_t pos);
    void release();

    std::unique_ptr<ByteSource> source_;
    const int16_t header_version_;
    const Camera camera_;
    const int16_t record_type_;
    std::unique_ptr<RecordAssembler> assembler_;  // null: records are not assembled ahead
    std::array<Batch, kBatches> batches_;

    // What each side writes often stands on a cache line of its own: two cores writing to
    // one line would hand it back and forth at every record.
    alignas(64) std::atomic<uint32_t> head_{0};  // batches published
    alignas(64) std::atomic<uint32_t> tail_{0};  // batches released
    // The step wakes the thread once tail_ reaches this (kNever: it need not).
    alignas(64) std::atomic<uint32_t> wake_at_tail_{kNever};
    alignas(64) std::atomic<uint64_t> limit_{0};
    std::atomic<uint32_t> wake_{0};  // bumped whenever the thread may have work again
    // The step asks the thread to start over at request_pos_ under a new generation.
    std::atomic<uint32_t> request_pos_{0};
    std::atomic<uint32_t> request_generation_{0};

    // The step's side.
    alignas(64) uint32_t generation_ = 0;  // the generation the step takes
    bool holding_ = false;                 // holds the batch at tail_
    int next_item_ = 0;
    bool must_restart_ = true;  // the thread is parked, or elsewhere

    // The thread's side.
    alignas(64) uint32_t thread_generation_ = 0;
    uint32_t pos_ = 0;
    bool parked_ = true;    // waits for a start-over (at first, and after an in_place item)
    bool filling_ = false;  // the batch at head_ is being filled
    uint64_t limit_seen_ = 0;
    RawRecord record_;

    std::jthread thread_;  // last: it starts once everything above stands
};

}  // namespace korvel
