// A fixed-size queue from one producing thread to one consuming thread,
// without a lock and without allocating after construction: a push never
// waits (a full queue refuses it) and a pop never waits (an empty queue has
// nothing). The producing side may change threads only when the two are
// ordered by something else (the sequencer's first step on the interface
// thread, then its timer thread).
#pragma once

#include <atomic>
#include <cstddef>

template <class T, size_t kCapacity>
class SpscQueue {
    static_assert((kCapacity & (kCapacity - 1)) == 0, "a power of two, so the indices can wrap freely");

public:
    // Producer: false when the queue is full (nothing is stored).
    bool Push(const T& item) {
        const size_t tail = tail_.load(std::memory_order_relaxed);
        if (tail - head_.load(std::memory_order_acquire) == kCapacity) return false;
        items_[tail & (kCapacity - 1)] = item;
        tail_.store(tail + 1, std::memory_order_release);
        return true;
    }

    // Consumer: the oldest item, or none.
    const T* Front() const {
        const size_t head = head_.load(std::memory_order_relaxed);
        if (head == tail_.load(std::memory_order_acquire)) return nullptr;
        return &items_[head & (kCapacity - 1)];
    }
    // Consumer: drops the oldest item (there must be one).
    void Pop() { head_.store(head_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

private:
    T items_[kCapacity];
    std::atomic<size_t> head_{0};
    std::atomic<size_t> tail_{0};
};
