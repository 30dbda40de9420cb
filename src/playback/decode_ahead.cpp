#include "playback/decode_ahead.h"

#include "codec/line_decoder.h"
#include "format/record_reader.h"

namespace korvel {

bool DecodeAhead::Batch::has_room() const {
    return count < kBatchItems && lines_used + kMaxLinesPerRecord <= kBatchLines &&
           particles_used + kPoolSize <= kBatchParticles &&
           segments_used + kMaxLinesPerRecord * kMaxSegmentsPerLine <= kBatchSegments;
}

DecodeAhead::DecodeAhead(std::unique_ptr<ByteSource> source, int16_t header_version,
                         Camera camera, bool assemble)
    : source_(std::move(source)),
      header_version_(header_version),
      camera_(camera),
      record_type_(camera == Camera::A ? kCameraARecord : kCameraBRecord),
      assembler_(assemble ? std::make_unique<RecordAssembler>(camera) : nullptr) {
    for (Batch& batch : batches_) {
        batch.items = zeroed_array<AheadItem>(kBatchItems);
        batch.lines = zeroed_array<LineEntry>(kBatchLines);
        batch.particles = zeroed_array<AssembledParticle>(kBatchParticles);
        batch.segments = zeroed_array<Segment>(kBatchSegments);
    }
    thread_ = std::jthread([this](std::stop_token stop) { run(stop); });
}

DecodeAhead::~DecodeAhead() {
    thread_.request_stop();
    wake_thread();
    thread_.join();
}

void DecodeAhead::wake_thread() {
    wake_.fetch_add(1, std::memory_order_seq_cst);
    wake_.notify_one();
}

void DecodeAhead::set_limit(uint64_t length) {
    if (limit_.load(std::memory_order_relaxed) == length) return;
    limit_.store(length, std::memory_order_release);
    wake_thread();
}

// The thread: turns while there is work, asleep otherwise. The step wakes it when it releases
// enough room, asks for a start-over, raises the limit or ends it.
void DecodeAhead::run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        const uint32_t seen = wake_.load(std::memory_order_seq_cst);
        const uint64_t limit = limit_.load(std::memory_order_acquire);
        if (limit != limit_seen_) {
            limit_seen_ = limit;
            // A new length: the source checks the file afresh, as the step's source does when
            // it measures, so bytes it holds from before a change are not served.
            try {
                source_->length();
            } catch (...) {
                // The step's own measurement decides about the file; a read that fails here
                // comes back as an in_place item.
            }
        }
        if (turn(limit) == Turn::idle) wake_.wait(seen, std::memory_order_seq_cst);
    }
}

DecodeAhead::Turn DecodeAhead::turn(uint64_t limit) {
    const uint32_t wanted = request_generation_.load(std::memory_order_acquire);
    if (wanted != thread_generation_) {
        thread_generation_ = wanted;
        pos_ = request_pos_.load(std::memory_order_relaxed);
        parked_ = false;
        filling_ = false;  // what the batch being filled holds belongs to the old position
    }
    if (parked_) return Turn::idle;

    const uint32_t head = head_.load(std::memory_order_relaxed);
    if (!filling_) {
        if (head - tail_.load(std::memory_order_seq_cst) >= kBatches) {
            // The ring is full. Ask to be woken once half of it is free, not at every batch
            // the step releases: a wake-up costs more than a batch takes to fill.
            const uint32_t tail = tail_.load(std::memory_order_seq_cst);
            wake_at_tail_.store(tail + kBatches / 2, std::memory_order_seq_cst);
            if (head - tail_.load(std::memory_order_seq_cst) >= kBatches) return Turn::idle;
            wake_at_tail_.store(kNever, std::memory_order_relaxed);
        }
        Batch& batch = batches_[head % kBatches];
        batch.generation = thread_generation_;
        batch.count = 0;
        batch.lines_used = 0;
        batch.particles_used = 0;
        batch.segments_used = 0;
        filling_ = true;
    }
    Batch& batch = batches_[head % kBatches];
    if (pos_ >= limit) {
        // Nothing more to read until the step measures a longer file: what there is goes to
        // the step now.
        if (batch.count > 0) publish();
        return Turn::idle;
    }
    produce(batch, limit);
    if (parked_ || !batch.has_room()) publish();
    return Turn::produced;
}

// One item at the reader's position: records of other types passed over up to the camera's
// next record, which is decoded (and assembled) into the batch. Read as the step reads:
// every record that starts before the limit, runs of empty records passed at once; but no
// byte at or beyond the limit.
void DecodeAhead::produce(Batch& batch, uint64_t limit) {
    AheadItem item;
    item.from = pos_;
    uint32_t at = pos_;
    uint32_t last = pos_;
    bool passed = false;
    for (;;) {
        if (at >= limit) {  // only after passing something: a turn starts below the limit
            item.kind = AheadKind::passed;
            item.last = last;
            item.next = at;
            break;
        }
        uint32_t next = at;
        const char* cut = nullptr;
        try {
            cut = read_record_unless_cut(*source_, next, record_);
        } catch (...) {
            cut = "";  // the step reads it in place and raises the error itself
        }
        // A record that ends beyond the limit is left to the step like a cut one: the file
        // has grown since the step measured it, and the step decides what it reads of it.
        if (cut == nullptr && next > limit) cut = "";
        if (cut != nullptr) {
            // What has been passed goes on first; the record itself comes at the next turn.
            item.kind = passed ? AheadKind::passed : AheadKind::in_place;
            item.last = passed ? last : at;
            item.next = at;
            break;
        }
        if (record_.type != record_type_) {
            last = at;
            passed = true;
            if (record_.type == 0 && record_.cmpr_n == 0) {
                const uint32_t run_end = pass_empty_records(*source_, next, limit, record_.payload);
                if (run_end > next) last = run_end - 4;
                next = run_end;
            }
            at = next;
            continue;
        }
        item.kind = AheadKind::record;
        item.last = at;
        item.next = next;
        decode_into(batch, item);
        break;
    }
    batch.items[static_cast<size_t>(batch.count++)] = item;
    pos_ = item.next;
    if (item.kind == AheadKind::in_place) parked_ = true;  // until the step starts it over
}

// Decodes the record just read into the batch, with what the step asks of its lines, and
// assembles it.
void DecodeAhead::decode_into(Batch& batch, AheadItem& item) {
    LineEntry* lines = batch.lines.get() + batch.lines_used;
    int16_t n = 0;
    const int result =
        decode_record(header_version_, record_.payload.data(), record_.cmpr_n, lines, n);
    item.n = result == 0 || n <= 0 ? int16_t{0} : n;
    item.lines = lines;
    item.assembled.allocations = -1;
    if (item.n == 0) return;
    batch.lines_used += item.n;
    item.y_first = lines[0].y_count;
    item.y_last = lines[item.n - 1].y_count;
    bool rising = true;
    for (int i = 1; i < item.n && rising; ++i) rising = lines[i].y_count > lines[i - 1].y_count;
    item.rising = rising;
    if (assembler_ == nullptr) return;
    const int first = batch.particles_used;
    item.assembled.allocations =
        assembler_->assemble(lines, item.n, batch.particles.get(), batch.particles_used,
                             batch.segments.get(), batch.segments_used);
    item.assembled.kept = batch.particles.get() + first;
    item.assembled.kept_count = batch.particles_used - first;
    item.assembled.segments = batch.segments.get();  // the particles' offsets are the batch's
}

void DecodeAhead::publish() {
    head_.fetch_add(1, std::memory_order_release);
    filling_ = false;
    head_.notify_one();
}

void DecodeAhead::request_restart(uint32_t pos) {
    ++generation_;
    request_pos_.store(pos, std::memory_order_relaxed);
    request_generation_.store(generation_, std::memory_order_release);
    must_restart_ = false;
    wake_thread();
}

void DecodeAhead::release() {
    holding_ = false;
    const uint32_t tail = tail_.load(std::memory_order_relaxed) + 1;
    tail_.store(tail, std::memory_order_seq_cst);
    const uint32_t mark = wake_at_tail_.load(std::memory_order_seq_cst);
    if (mark != kNever && tail >= mark) {
        wake_at_tail_.store(kNever, std::memory_order_relaxed);
        wake_thread();
    }
}

const AheadItem* DecodeAhead::take(uint32_t pos, uint64_t length) {
    if (must_restart_) request_restart(pos);
    for (;;) {
        if (holding_) {
            const Batch& batch = batches_[tail_.load(std::memory_order_relaxed) % kBatches];
            if (batch.generation != generation_ || next_item_ >= batch.count) {
                release();  // used up, or from before a start-over
                continue;
            }
            const AheadItem& item = batch.items[static_cast<size_t>(next_item_)];
            if (item.from != pos) {
                request_restart(pos);
                continue;
            }
            ++next_item_;
            // A record the step must read itself, or an item whose bytes do not all lie within
            // the step's length (the file shrank, perhaps into its record): the step reads in
            // place, and the thread starts over where it goes on.
            if (item.kind == AheadKind::in_place || item.next > length) {
                must_restart_ = true;
                return nullptr;
            }
            return &item;
        }
        const uint32_t tail = tail_.load(std::memory_order_relaxed);
        const uint32_t head = head_.load(std::memory_order_acquire);
        if (head == tail) {
            head_.wait(head, std::memory_order_acquire);
            continue;
        }
        holding_ = true;
        next_item_ = 0;
    }
}

}  // namespace korvel
