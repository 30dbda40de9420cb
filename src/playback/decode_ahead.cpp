#include "playback/decode_ahead.h"

#include <algorithm>

#include "codec/line_decoder.h"
#include "common/little_endian.h"
#include "format/record_reader.h"

namespace korvel {

namespace {

constexpr uint64_t kGenerationMask = 0xFFFF;

uint64_t pack_request(uint32_t generation, uint32_t lead, uint32_t pos) {
    return (uint64_t{generation} & kGenerationMask) << 48 | (uint64_t{lead} & 0xFFFF) << 32 |
           pos;
}

}  // namespace

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
    for (Batch& batch : ring_.storage()) {
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
    limit_.store(length, std::memory_order_relaxed);
    wake_thread();
}

// The thread: turns while there is work, asleep otherwise. The step wakes it when it releases
// enough room, asks for a start-over, raises the limit or ends it.
void DecodeAhead::run(std::stop_token stop) {
    while (!stop.stop_requested()) {
        const uint32_t seen = wake_.load(std::memory_order_seq_cst);
        const uint64_t limit = limit_.load(std::memory_order_relaxed);
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
    const uint64_t request = request_.load(std::memory_order_acquire);
    if (request != request_seen_) {
        request_seen_ = request;
        thread_generation_ = static_cast<uint32_t>(request >> 48);
        lead_seen_ = static_cast<uint32_t>(request >> 32) & 0xFFFF;
        skip_left_ = lead_seen_;
        pos_ = static_cast<uint32_t>(request);
        catch_up_to_ = 0;
        parked_ = false;
        if (filling_ != nullptr) {
            // What the batch being filled holds belongs to the old position.
            filling_->count = filling_->lines_used = filling_->particles_used = 0;
            filling_->segments_used = 0;
            filling_->generation = thread_generation_;
        }
    }
    if (parked_) return Turn::idle;

    // The step found the ring empty beyond where the thread stands: it is reading itself
    // what the thread would make next, and what the thread holds unpublished it has passed.
    // Drop that and go ahead of it, as a start-over would, without waiting to be asked.
    const uint32_t hungry_at = hungry_at_.load(std::memory_order_relaxed);
    if (hungry_at != kNotHungry && hungry_at > pos_) {
        catch_up_to_ = hungry_at;
        skip_left_ = std::max(skip_left_, lead_seen_);
        if (filling_ != nullptr) {
            filling_->count = filling_->lines_used = filling_->particles_used = 0;
            filling_->segments_used = 0;
        }
    }

    // Passing the lead needs no room in the ring, only data within the limit.
    const Skip skip = skip_left_ > 0 || pos_ < catch_up_to_ ? skip_lead(limit) : Skip::done;
    if (skip == Skip::at_limit) {
        if (filling_ != nullptr && filling_->count > 0) publish();
        return Turn::idle;
    }

    if (filling_ == nullptr) {
        filling_ = ring_.back();
        if (filling_ == nullptr) {
            // The ring is full. Ask to be woken once half of it is free, not at every batch
            // the step releases: a wake-up costs more than a batch takes to fill.
            if (ring_.ask_wake_when_free(kBatches / 2)) return Turn::idle;
            filling_ = ring_.back();
        }
        Batch& batch = *filling_;
        batch.generation = thread_generation_;
        batch.count = 0;
        batch.lines_used = 0;
        batch.particles_used = 0;
        batch.segments_used = 0;
    }
    Batch& batch = *filling_;
    if (skip == Skip::in_place) {
        // A record the step must read itself stands among those to be passed: it is handed
        // on where it stands, and the thread parks there as after any in_place item.
        AheadItem& item = batch.items[static_cast<size_t>(batch.count++)];
        item = AheadItem{};
        item.from = item.last = item.next = pos_;
        skip_left_ = 0;
        catch_up_to_ = 0;
        parked_ = true;
        publish();
        return Turn::produced;
    }
    if (pos_ >= limit) {
        // Nothing more to read until the step measures a longer file: what there is goes to
        // the step now.
        if (batch.count > 0) publish();
        return Turn::idle;
    }
    produce(batch, limit);
    // A step that found the ring empty is fed early: at once when it stands where this
    // batch begins or beyond (what it needs, or what tells it that the thread is behind),
    // else once the batch is worth a slot. Whatever the thread withholds, the step may be
    // decoding itself meanwhile; batches of an item or two would fill the ring instead.
    const uint32_t hungry_now = hungry_at_.load(std::memory_order_relaxed);
    const bool feed = hungry_now != kNotHungry &&
                      (batch.count >= kEarlyItems || batch.items[0].from <= hungry_now);
    if (parked_ || !batch.has_room() || feed) publish();
    return Turn::produced;
}

// Passes every record before catch_up_to_, then the camera's next skip_left_ records, reading
// only their headers, and records of other types between them, the way the step's reader
// passes them: one record at a time, a run of empty records at once. Both readers start on a
// boundary of the same chain of records, so each lands on the boundaries the other does.
// Stops at the limit, or at a record the step must read itself (cut short, unreadable,
// ending beyond the limit), keeping its place.
DecodeAhead::Skip DecodeAhead::skip_lead(uint64_t limit) {
    while (skip_left_ > 0 || pos_ < catch_up_to_) {
        if (pos_ >= limit) return Skip::at_limit;
        uint8_t head[4];
        size_t got = 0;
        try {
            got = source_->read_at(pos_, head, sizeof head);
        } catch (...) {
            return Skip::in_place;
        }
        if (got < sizeof head) return Skip::in_place;
        const int16_t type = load_i16(head);
        const int16_t cmpr_n = load_i16(head + 2);
        if (cmpr_n < 0 || cmpr_n > kPayloadCapacity) return Skip::in_place;
        const uint64_t end = uint64_t{pos_} + 4 + static_cast<uint64_t>(cmpr_n);
        if (end > limit || end > UINT32_MAX) return Skip::in_place;
        uint32_t next = static_cast<uint32_t>(end);
        if (type == 0 && cmpr_n == 0) {
            next = pass_empty_records(*source_, next, limit, record_.payload);
        }
        if (type == record_type_ && pos_ >= catch_up_to_ && skip_left_ > 0) --skip_left_;
        pos_ = next;
    }
    catch_up_to_ = 0;
    return Skip::done;
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
    if (hungry_at_.load(std::memory_order_relaxed) != kNotHungry) {
        hungry_at_.store(kNotHungry, std::memory_order_relaxed);
    }
    ring_.push();
    filling_ = nullptr;
}

void DecodeAhead::request_restart(uint32_t pos) {
    generation_ = static_cast<uint32_t>((generation_ + 1) & kGenerationMask);
    request_.store(pack_request(generation_, lead_, pos), std::memory_order_release);
    must_restart_ = false;
    took_since_restart_ = false;
    wake_thread();
}

void DecodeAhead::release() {
    next_item_ = 0;
    if (ring_.pop()) wake_thread();
}

// The step's reader stands at pos. Items the thread made for positions the reader has
// passed are dropped; the item starting at pos is taken; anything else leaves the record to
// the step.
const AheadItem* DecodeAhead::take(uint32_t pos, uint64_t length) {
    if (resting_ > 0) {
        if (--resting_ == 0) must_restart_ = true;  // the next take tries the thread again
        return nullptr;
    }
    const AheadItem* item = take_from_ring(pos, length);
    if (item != nullptr) ++window_served_;
    if (++window_takes_ == kWindow) {
        // One poor window happens on a quiet machine too (the thread starting over after a
        // record it could not read): only two in a row make it rest.
        poor_windows_ = window_served_ * 4 < kWindow ? poor_windows_ + 1 : 0;
        if (poor_windows_ >= 2) {
            resting_ = next_rest_;
            next_rest_ = std::min(next_rest_ * 2, kMaxRest);
            poor_windows_ = 0;
        } else if (poor_windows_ == 0) {
            next_rest_ = kMinRest;
        }
        window_takes_ = 0;
        window_served_ = 0;
    }
    return item;
}

const AheadItem* DecodeAhead::take_from_ring(uint32_t pos, uint64_t length) {
    if (must_restart_) request_restart(pos);
    bool behind = false;  // the thread made items for positions the reader has passed
    for (const Batch* batch = ring_.front(); batch != nullptr; batch = ring_.front()) {
        if (batch->generation != generation_ || next_item_ >= batch->count) {
            release();  // used up, or from before a start-over
            continue;
        }
        const AheadItem& item = batch->items[static_cast<size_t>(next_item_)];
        if (item.from == pos) {
            ++next_item_;
            // A record the step must read itself, or an item whose bytes do not all lie within
            // the step's length (the file shrank, perhaps into its record): the step reads in
            // place, and the thread starts over where it goes on.
            if (item.kind == AheadKind::in_place || item.next > length) {
                must_restart_ = true;
                return nullptr;
            }
            took_since_restart_ = true;
            return &item;
        }
        if (item.next <= pos) {  // in_place items too: from == next
            ++next_item_;
            behind = true;
            continue;
        }
        if (item.from > pos) return nullptr;  // the thread is ahead: the step reads up to it
        // The item straddles pos: the reader stands inside what the thread passed. It has
        // fallen behind; what it makes next would be passed over too.
        behind = true;
        break;
    }
    if (!behind) {
        if (hungry_at_.load(std::memory_order_relaxed) != pos) {
            hungry_at_.store(pos, std::memory_order_relaxed);
        }
        return nullptr;
    }
    // The step has overtaken the thread: start it over ahead of the reader, twice as far
    // ahead when the last start-over brought nothing, half as far when it did.
    lead_ = took_since_restart_ ? std::max(lead_ / 2, kMinLead) : std::min(lead_ * 2, kMaxLead);
    request_restart(pos);
    return nullptr;
}

}  // namespace korvel
