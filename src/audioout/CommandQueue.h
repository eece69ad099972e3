#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace tessaron {

// Fixed-capacity ring for one producer and one consumer; neither side ever waits or allocates.
// Capacity must be a power of two. The head is published and read sequentially consistent, so
// that a command pushed before the producer reads the mixer's callback counter is seen by the
// next callback that counter announces.
template <typename T, size_t Capacity>
class CommandQueue {
    static_assert((Capacity & (Capacity - 1)) == 0, "capacity must be a power of two");

public:
    bool Push(const T& item)
    {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) == Capacity) {
            return false;
        }
        items_[head & (Capacity - 1)] = item;
        head_.store(head + 1, std::memory_order_seq_cst);
        return true;
    }

    // Consumer: where the producer stands now. Popping up to this mark, rather than until the
    // queue is empty, bounds the consumer's work while a producer keeps pushing.
    size_t Mark() const { return head_.load(std::memory_order_seq_cst); }

    // Consumer: the oldest item pushed before `mark`; false when none is left.
    bool PopBefore(size_t mark, T& item)
    {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == mark) {
            return false;
        }
        item = items_[tail & (Capacity - 1)];
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest item, however recently pushed; false when the queue is empty.
    bool Pop(T& item) { return PopBefore(Mark(), item); }

private:
    std::array<T, Capacity> items_{};
    alignas(64) std::atomic<size_t> head_{0};
    alignas(64) std::atomic<size_t> tail_{0};
};

}  // namespace tessaron
