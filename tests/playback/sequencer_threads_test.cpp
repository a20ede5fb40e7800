// The timer thread advancing while the interface thread edits steps, tempo,
// chains and switches; built also under ThreadSanitizer, which reports any
// access that is not safely shared.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "playback/sequencer.h"
#include "playback/transport_messages.h"

namespace {

// A periodic timer on its own thread, with simulated time: one millisecond per
// tick, as fast as the machine allows.
class ThreadedClock : public SequencerClock {
public:
    ~ThreadedClock() override { StopTimer(); }
    void ConfigureTimer(uint32_t, TickListener* l) override { listener_ = l; }
    void StartTimer() override {
        StopTimer();
        stop_.store(false);
        thread_ = std::thread([this] {
            while (!stop_.load()) {
                now_.fetch_add(1);
                listener_->OnTimerTick();
                std::this_thread::yield();
            }
        });
    }
    void StopTimer() override {
        stop_.store(true);
        if (thread_.joinable()) thread_.join();
    }
    void SetUseTsc(bool tsc) override { offset_.store(tsc ? 1000000 : 0); }
    int64_t NowMs() override { return now_.load() + offset_.load(); }

private:
    TickListener* listener_ = nullptr;
    std::thread thread_;
    std::atomic<bool> stop_{true};
    std::atomic<int64_t> now_{0};
    std::atomic<int64_t> offset_{0};
};

// Counts what arrives, from whichever thread.
class CountingPorts : public SoundOutput, public TransportDisplay, public TransportHost {
public:
    void Trigger(int m, int s, double) override { Check(m, s), triggers.fetch_add(1); }
    void StopVoice(int m, int s, double) override { Check(m, s); }
    void KillAllSound() override {}
    void SilencePlayingVoices() override {}
    void ReapplyVolumes() override {}
    void SetPlayButton(bool) override {}
    void SetPlayingMeasure(int m) override { if (m < -1 || m > 7) outOfRange.fetch_add(1); }
    void SetLamp(int column, bool) override { if (column < 0 || column > 15) outOfRange.fetch_add(1); }
    void Post(unsigned message, intptr_t wParam, intptr_t lParam) override {
        if (message == UM_STEP_SOUNDED) {
            sounded.fetch_add(1);
            lastStepTag.store(wParam);
        } else if (message == UM_MEASURE_STATE && lParam != -1) {
            lastMeasure.store(wParam);
            lastMarkTag.store(lParam);
        }
    }
    bool IsCtrlDown() override { return false; }
    void BroadcastTransport(unsigned) override {}

    void Check(int m, int s) {
        if (m < 0 || m > 7 || s < 0 || s > 15) outOfRange.fetch_add(1);
    }
    std::atomic<long> triggers{0}, sounded{0}, outOfRange{0};
    std::atomic<intptr_t> lastStepTag{0}, lastMeasure{0}, lastMarkTag{0};
};

TEST(SequencerThreads, TimerAdvancesWhileTheInterfaceEdits) {
    ::Setup setup;
    CountingPorts ports;
    Sequencer sequencer;
    sequencer.Prepare(setup, ports, ports, ports, std::make_unique<ThreadedClock>());
    setup.tempo = 3000.0;  // 5 ms steps: many steps per edit
    sequencer.StartPlayback();

    // Edits go on until the timer thread has done plenty beside them, however
    // slowly it is scheduled (Wine), within a bound.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int i = 0; i < 40000 || (ports.triggers.load() < 300 && std::chrono::steady_clock::now() < deadline);
         ++i) {
        const int m = i % 8, s = (i * 7) % 16;
        SetStepValue(setup.StepAddress(m, s), KIND_ON, i % 3 != 0);
        SetStepValue(setup.StepAddress(m, s), KIND_PITCH, i % 50 - 25);
        setup.measures[m].nextMeasure = static_cast<int16_t>((i % 11) - 1);  // now and then out of range
        setup.measures[m].repeatCount = static_cast<int16_t>(1 + i % 4);
        setup.stepsPerMeasure = 1 + i % 16;
        setup.polyphonic = i % 2;
        if (i % 40 == 0) {
            setup.tempo = (i % 80 == 0) ? 0.0 : 2000.0 + i;
            sequencer.OnTempoChanged();
        }
        if (i % 25 == 0) {
            setup.editMeasure = static_cast<int16_t>(m);
            sequencer.OnMeasureSelected(m);
        }
        if (i % 9 == 0) sequencer.HandleTransportMessage(UM_STEP_SOUNDED, ports.lastStepTag.load(), 0);
        if (i % 11 == 0)
            sequencer.HandleTransportMessage(UM_MEASURE_STATE, ports.lastMeasure.load(), ports.lastMarkTag.load());
        if (i % 29 == 0) sequencer.OnMeasureKey(i % 8);
        if (i % 333 == 0) sequencer.SetClockSource(i % 2 == 0);
        if (i % 500 == 0) {
            sequencer.StopPlayback();
            sequencer.StartPlayback();
        }
        if (i % 100 == 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    sequencer.StopPlayback();

    EXPECT_GE(ports.triggers.load(), 300);
    EXPECT_EQ(ports.outOfRange.load(), 0);
    EXPECT_FALSE(sequencer.IsRunning());
}

}  // namespace
