// Lets the interface thread replace and release voices while the timer thread
// triggers them, with no lock and without the timer thread ever waiting.
//
// The triggering side calls Enter() before it reads a voice pointer and
// Leave() when it no longer uses the voice. The replacing side first swaps in
// the new pointer (or none), then calls WaitUntilClear(), and only then
// releases the old voice. The pointer is read and swapped with sequentially
// consistent operations (Relaxed::LoadOrdered, ExchangeOrdered), like the
// gate's own counter, so for any trigger one of two things is true: it read
// the new pointer, or the replacing side sees it inside and waits for it to
// leave, which takes one trigger's worth of calls. So a voice is never
// released while a trigger uses it, and the trigger itself never waits.
#pragma once

#include <atomic>
#include <thread>

class TriggerGate {
public:
    void Enter() { inside_.fetch_add(1, std::memory_order_seq_cst); }

    void Leave() { inside_.fetch_sub(1, std::memory_order_release); }

    // Call after the old pointer has been replaced; returns once no trigger
    // that might still hold the old pointer is inside.
    void WaitUntilClear() const {
        while (inside_.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
    }

    // Scope of one use on the triggering side.
    class Use {
    public:
        explicit Use(TriggerGate& gate) : gate_(gate) { gate_.Enter(); }
        ~Use() { gate_.Leave(); }
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;

    private:
        TriggerGate& gate_;
    };

private:
    std::atomic<int> inside_{0};
};
