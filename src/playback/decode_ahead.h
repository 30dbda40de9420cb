#pragma once

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
#include "playback/spsc_ring.h"

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
// Every decision stays with the step, and the step never waits for the thread: an item is a
// fact about the bytes at a position (reading from `from` yields these records), so the step
// either takes the item that starts exactly where its reader stands, or reads and decodes
// the record itself, as it does with no thread at all. Whatever the thread is doing, or
// whether it runs at all (another program may hold the other core), the step is never worse
// off than decoding alone. The thread reads no record that does not end within the length
// the step last measured, and the step takes no item that does not end within its own
// length (the file may have shrunk since). Anything whose outcome depends on when it is
// read (a cut record, a read error) is handed on as an in_place item at that record's
// position, for the step to read itself; the thread parks there until it is started over.
//
// The step starts the thread over at its reader's position whenever the thread is parked or
// fell behind; then the thread first passes the camera's next `lead` records, reading only
// their headers (records of other types and runs of empty records as the step passes them),
// and decodes from the record boundary after the last of them, a boundary the step's reader
// reaches too. The step decodes those records itself meanwhile, and finds the thread ahead
// when it gets there. The lead doubles each time a start-over brought nothing the step could
// take, and halves when one did. A thread that learns from hungry_at_ that the step reads
// beyond it goes ahead the same way by itself: what it would make next would be wasted.
//
// On a machine whose other core is busy elsewhere, the thread gets too little time to stay
// ahead, and the time it does get is taken from the step. So the step counts, over each
// window of kWindow takes, how many the ring served: after two windows in a row that served
// less than a quarter, the thread rests (the step starts it over no more, so it parks once
// the ring is full) for kMinRest takes, twice as many after each rest that did not help, up
// to kMaxRest; then it is started over and the next windows tell again.
//
// Threads and memory orders. The ring (spsc_ring.h) carries whole batches, with its own
// contract: a batch's contents, written by the thread before push() and read by the step
// after front(), are ordered by the ring's release/acquire indices. Beyond the ring:
//   request_  the step writes (release), the thread reads (acquire): generation, lead and
//             position of a start-over in one word, so the thread never sees one request's
//             position with another's lead.
//   limit_    the step writes, the thread reads: a length only, it orders no other data.
//   hungry_at_  the step stores its reader's position when it found the ring empty, the
//             thread clears it when it publishes a batch. A hint, relaxed: the batch then
//             goes out before it is full, and a thread that stands before that position
//             goes ahead of it. A stale value costs a batch published a little early or
//             late, or records passed that the step then decodes itself, never a wrong item.
//   wake_     bumped by the step (a start-over, a new limit, room in the ring, the end) and
//             waited on by the thread when it has nothing to do. Sequentially consistent,
//             with the thread reading it before it looks for work: a bump after that read
//             makes the wait return at once.
// Everything else belongs to one side: generation_, lead_, next_item_ and the flags beside
// them to the step; the source, the assembler, pos_, skip_left_ and the batch being filled
// to the thread.
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

    // The data file's length as the step measured it: the thread reads no record ending
    // beyond it until it is raised.
    void set_limit(uint64_t length);

    // The item at the camera's read position pos, where the step's length is length, if the
    // thread has it ready; nullptr: the step reads the record at pos in place. Never waits.
    const AheadItem* take(uint32_t pos, uint64_t length);

  private:
    static constexpr uint32_t kBatches = 4;
    static constexpr int kBatchLines = 4096;  // decoded lines a batch holds
    static constexpr int kBatchItems = 512;
    static constexpr int kBatchParticles = 1024;
    static constexpr int kBatchSegments = 32768;
    static constexpr int kEarlyItems = 32;  // a batch goes to a hungry step with this many
    static constexpr uint32_t kMinLead = 2;     // camera records passed at a start-over
    static constexpr uint32_t kMaxLead = 256;
    static constexpr uint32_t kWindow = 512;     // takes over which the ring's use is counted
    static constexpr uint32_t kMinRest = 2048;   // takes a thread of too little use rests for
    static constexpr uint32_t kMaxRest = 32768;
    static constexpr uint32_t kNotHungry = UINT32_MAX;  // no reader position is this

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
    // How passing the lead ended: passed, at the limit, or at a record the step reads itself.
    enum class Skip { done, at_limit, in_place };

    void run(std::stop_token stop);
    Turn turn(uint64_t limit);
    Skip skip_lead(uint64_t limit);
    void produce(Batch& batch, uint64_t limit);
    void decode_into(Batch& batch, AheadItem& item);
    void publish();
    void wake_thread();
    void request_restart(uint32_t pos);
    void release();
    const AheadItem* take_from_ring(uint32_t pos, uint64_t length);

    std::unique_ptr<ByteSource> source_;
    const int16_t header_version_;
    const Camera camera_;
    const int16_t record_type_;
    std::unique_ptr<RecordAssembler> assembler_;  // null: records are not assembled ahead
    SpscRing<Batch, kBatches> ring_;

    // Shared, see above. request_: generation in bits 48-63, lead in 32-47, position 0-31.
    alignas(64) std::atomic<uint64_t> request_{0};
    std::atomic<uint64_t> limit_{0};
    std::atomic<uint32_t> hungry_at_{kNotHungry};
    std::atomic<uint32_t> wake_{0};

    // The step's side.
    alignas(64) uint32_t generation_ = 0;  // of the start-over the step takes items from
    uint32_t lead_ = kMinLead;
    int next_item_ = 0;         // in the batch at the ring's front
    bool must_restart_ = true;  // the thread is parked, or reads where the step does not
    bool took_since_restart_ = false;
    // How useful the thread is (see above): takes in the window so far, of them served from
    // the ring, the takes the thread still rests for, and how long the next rest lasts.
    uint32_t window_takes_ = 0;
    uint32_t window_served_ = 0;
    uint32_t resting_ = 0;
    int poor_windows_ = 0;  // windows in a row that served less than a quarter
    uint32_t next_rest_ = kMinRest;

    // The thread's side.
    alignas(64) uint32_t thread_generation_ = 0;
    uint64_t request_seen_ = 0;
    uint32_t pos_ = 0;
    uint32_t skip_left_ = 0;  // camera records still to pass before decoding
    uint32_t catch_up_to_ = 0;  // and before them, every record that starts before this
    uint32_t lead_seen_ = 0;    // the lead of the latest start-over
    bool parked_ = true;      // waits for a start-over (at first, and after an in_place item)
    Batch* filling_ = nullptr;  // the batch being filled, not yet published
    uint64_t limit_seen_ = 0;
    RawRecord record_;

    std::jthread thread_;  // last: it starts once everything above stands
};

}  // namespace korvel
