#include "audio/trigger_gate.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "model/relaxed.h"

namespace {
// Stands for a voice: poisoned when released, so a trigger that used a
// released voice is seen (and, under the sanitizers, a freed one too).
struct Voice {
    std::atomic<int> alive{1};
    int plays = 0;
};
}  // namespace

// One thread re-binds the voice over and over while another triggers it; no
// trigger may ever touch a voice that was released.
TEST(TriggerGate, NoTriggerUsesAVoiceBeingReleased) {
    TriggerGate gate;
    Relaxed<Voice*> slot{new Voice};
    std::atomic<bool> stop{false};
    std::atomic<long> triggers{0}, deadVoicesSeen{0};

    std::thread timer([&] {
        while (!stop.load()) {
            TriggerGate::Use use(gate);
            if (Voice* voice = slot.LoadOrdered()) {
                if (voice->alive.load() != 1) deadVoicesSeen.fetch_add(1);
                ++voice->plays;  // the trigger's own use of the voice
            }
            triggers.fetch_add(1);
        }
    });

    for (int i = 0; i < 20000; ++i) {
        Voice* old = slot.ExchangeOrdered(i % 7 == 0 ? nullptr : new Voice);
        gate.WaitUntilClear();
        if (old) {
            old->alive.store(0);
            delete old;
        }
    }
    // Keep re-binding until the timer has triggered plenty, however the threads were scheduled.
    while (triggers.load() < 20000) {
        Voice* old = slot.ExchangeOrdered(new Voice);
        gate.WaitUntilClear();
        delete old;
    }
    stop.store(true);
    timer.join();
    delete slot.Load();

    EXPECT_EQ(deadVoicesSeen.load(), 0);
    EXPECT_GE(triggers.load(), 20000);
}

TEST(TriggerGate, WaitReturnsAtOnceWhenNoTriggerIsInside) {
    TriggerGate gate;
    { TriggerGate::Use use(gate); }
    gate.WaitUntilClear();  // would hang if Leave were lost
    SUCCEED();
}
