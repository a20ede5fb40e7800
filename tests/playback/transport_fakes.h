// A simulated clock and recorders standing in for the timer, the sound engine,
// the display and the window, so the transport runs step by step in tests.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "playback/transport_messages.h"
#include "playback/transport_ports.h"

// Time moves only when the test says so; ticks are delivered by the test.
class SimulatedClock : public SequencerClock {
public:
    void ConfigureTimer(uint32_t periodMs, TickListener* listener) override {
        period = periodMs;
        this->listener = listener;
    }
    void StartTimer() override {
        ++starts;
        active = true;
    }
    void StopTimer() override { active = false; }
    void SetUseTsc(bool tsc) override { useTsc = tsc; }
    int64_t NowMs() override { return now + (useTsc ? tscOffset : 0); }

    // Advances time to `ms`, ticking every millisecond on the way.
    void RunUntil(int64_t ms) {
        while (now < ms) {
            ++now;
            Tick();
        }
    }
    void Tick() {
        if (active && listener) listener->OnTimerTick();
    }

    std::atomic<int64_t> now{1000};
    int64_t tscOffset = 5000000;  // the two sources count from different origins
    std::atomic<bool> useTsc{false};
    std::atomic<bool> active{false};
    uint32_t period = 0;
    int starts = 0;
    TickListener* listener = nullptr;
};

// Records what the transport asked for, with the simulated time of each call.
class TransportRecorder : public SoundOutput, public TransportDisplay, public TransportHost {
public:
    explicit TransportRecorder(SimulatedClock& clock) : clock_(clock) {}

    struct Event {
        int64_t time;
        std::string what;
        int a, b;
        double due;  // triggers and stops: the due time they carry
    };

    void Trigger(int m, int s, double due) override {
        Add("trigger", m, s, due);
        // Stands for the interface thread acting while the timer thread is
        // inside a step.
        if (duringTrigger) duringTrigger(m, s);
    }
    void StopVoice(int m, int s, double due) override { Add("stop", m, s, due); }
    void KillAllSound() override { Add("killall"); }
    void SilencePlayingVoices() override { Add("silence"); }
    void ReapplyVolumes() override { Add("reapply"); }
    void SetPlayButton(bool pressed) override { Add("button", pressed); }
    void SetPlayingMeasure(int measure) override { Add("playing", measure); }
    void SetLamp(int column, bool on) override { Add(on ? "lamp on" : "lamp off", column); }
    void Post(unsigned message, intptr_t w, intptr_t l) override {
        posted.push_back({message, w, l});
        queue.push_back({message, w, l});
        Add(message == UM_STEP_SOUNDED ? "sounded" : message == UM_MEASURE_STATE ? "measure" : "post",
            static_cast<int>(w), static_cast<int>(l));
    }
    bool IsCtrlDown() override { return ctrlDown; }
    void BroadcastTransport(unsigned message) override { Add("broadcast", static_cast<int>(message)); }

    std::vector<Event> Only(const std::string& what) const {
        std::vector<Event> out;
        for (const Event& e : events)
            if (e.what == what) out.push_back(e);
        return out;
    }
    void Clear() {
        events.clear();
        posted.clear();
    }

    struct Posted {
        unsigned message;
        intptr_t wParam, lParam;
    };
    // Takes the messages posted so far, in order, as the window's queue would
    // hand them to the interface thread.
    std::vector<Posted> TakeQueue() {
        std::vector<Posted> taken;
        taken.swap(queue);
        return taken;
    }

    std::vector<Event> events;
    std::vector<Posted> posted;  // everything posted since the last Clear
    std::vector<Posted> queue;   // posted and not yet taken
    bool ctrlDown = false;
    std::function<void(int m, int s)> duringTrigger;

private:
    void Add(const char* what, int a = 0, int b = 0, double due = 0.0) {
        events.push_back({clock_.now, what, a, b, due});
    }
    SimulatedClock& clock_;
};
