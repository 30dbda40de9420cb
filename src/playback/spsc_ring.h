#pragma once

#include <array>
#include <atomic>
#include <cstdint>

namespace korvel {

// A bounded queue of N slots between exactly one producer thread and one consumer thread.
// The slots live in the ring; the producer fills the slot back() names and publishes it with
// push(), the consumer reads the slot front() names and hands it back with pop(). Neither
// side ever waits here: back() and front() answer nullptr when there is nothing to do, and
// whoever must sleep does so on a signal of its own.
//
// Who writes what, and why these memory orders:
//   head_  written by the producer only (push). Stored with release after the slot's
//          contents, loaded with acquire by front(): the consumer that sees a slot counted
//          sees everything the producer wrote into it.
//   tail_  written by the consumer only (pop). Stored after the consumer's last read of the
//          slot and loaded with acquire by back(): the producer never writes into a slot the
//          consumer may still be reading.
//   wake_at_tail_  written by both. The producer that finds the ring full asks to be told
//          once tail_ reaches a mark, then reads tail_ again; the consumer stores tail_, then
//          reads the mark. Each side stores one variable and then loads the other, which
//          acquire/release does not order (a store may pass a later load of another
//          variable): with both pairs sequentially consistent, at least one side sees the
//          other's store, so either the producer finds the room itself or pop() reports it.
//          A wake-up is never lost; one to spare is harmless.
// Counts are 64-bit: they never wrap within a process's life.
template <typename T, uint32_t N>
class SpscRing {
    static_assert(N >= 2);

  public:
    // Producer: the slot to fill next, or nullptr while all N are published and not popped.
    T* back() {
        const uint64_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= N) return nullptr;
        return &slots_[head % N];
    }

    // Producer: publishes the slot back() named.
    void push() {
        head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
    }

    // Producer, when back() was nullptr: asks pop() to report once `room` slots are free.
    // False when they are free already, and then nothing is asked.
    bool ask_wake_when_free(uint32_t room) {
        const uint64_t mark = head_.load(std::memory_order_relaxed) - N + room;
        wake_at_tail_.store(mark, std::memory_order_seq_cst);
        if (tail_.load(std::memory_order_seq_cst) < mark) return true;
        wake_at_tail_.store(kNever, std::memory_order_relaxed);
        return false;
    }

    // Consumer: the oldest published slot, or nullptr when none is.
    const T* front() const {
        const uint64_t tail = tail_.load(std::memory_order_relaxed);
        if (head_.load(std::memory_order_acquire) == tail) return nullptr;
        return &slots_[tail % N];
    }

    // Consumer: hands the front slot back. True when the producer asked to be told of the
    // room this makes: the caller wakes it.
    bool pop() {
        const uint64_t tail = tail_.load(std::memory_order_relaxed) + 1;
        tail_.store(tail, std::memory_order_seq_cst);
        const uint64_t mark = wake_at_tail_.load(std::memory_order_seq_cst);
        if (tail < mark) return false;
        wake_at_tail_.store(kNever, std::memory_order_relaxed);
        return true;
    }

    // Either side, for its own use: the slots are the ring's storage, set up before the
    // other thread starts.
    std::array<T, N>& storage() { return slots_; }

  private:
    static constexpr uint64_t kNever = UINT64_MAX;  // a mark no count reaches

    std::array<T, N> slots_{};
    // Each index on a cache line of its own: two cores writing one line would hand it back
    // and forth at every push and pop.
    alignas(64) std::atomic<uint64_t> head_{0};
    alignas(64) std::atomic<uint64_t> tail_{0};
    alignas(64) std::atomic<uint64_t> wake_at_tail_{kNever};
};

}  // namespace korvel
