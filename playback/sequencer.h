// The transport: starts and stops playback, decides from the clock when the
// next step is due, sounds it, walks the steps and the measure chain, and tells
// the interface thread what happened through posted messages.
//
// Threads. OnTimerTick (and AdvanceStep through it) runs on the timer thread;
// everything else on the interface thread. No lock is taken and the timer
// thread never waits: shared values are single atomic fields. The periodic
// timer is started only after the interface thread has finished its part of a
// start, and StopPlayback waits (briefly) until a tick in progress has left,
// so the two threads never advance the position at the same time. While the
// timer runs, only its thread writes the play position (stepIndex,
// playMeasure, repeatCounter): the interface thread hands over a measure jump
// or a clock-source switch as a request that the next tick takes.
//
// Messages carry the run or the jump they belong to (UM_STEP_SOUNDED in
// wParam, UM_MEASURE_STATE in lParam, which stays -1 for a stop), so one that
// was queued before a stop, a restart or a jump changes nothing when it
// arrives after it.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "audio/trigger_gate.h"
#include "model/relaxed.h"
#include "model/setup.h"
#include "playback/transport_ports.h"

class Sequencer : public TickListener {
public:
    Sequencer() = default;
    ~Sequencer() override;
    Sequencer(const Sequencer&) = delete;
    Sequencer& operator=(const Sequencer&) = delete;

    // Stores the collaborators and configures the clock's 1 ms periodic timer.
    void Prepare(Setup& setup, TransportDisplay& display, TransportHost& host, SoundOutput& sound,
                 std::unique_ptr<SequencerClock> clock);

    void StartPlayback();
    void StopPlayback();
    // Play button and space bar: starts or stops, and unless Ctrl is down has
    // every running copy do the same.
    void TogglePlayback();

    void OnTimerTick() override;
    // Sounds the current step, due at `dueMs` on the clock's timeline, and
    // moves the position on.
    void AdvanceStep(double dueMs);

    // After the tempo changed during playback: taken over at the next due step.
    void OnTempoChanged();
    // After a measure button set editMeasure during playback: playback moves
    // there too, unless Ctrl is down.
    void OnMeasureSelected(int index);
    // A measure key (1 to 8) during playback: playback moves to that measure
    // and begins counting its passes afresh; the editor stays where it is.
    void OnMeasureKey(int index);
    // The mute button: pressed means sound on.
    void OnMuteToggled(bool soundOn);
    // The same for Undo, which restores the mute without marking a change.
    void ApplyMute(bool soundOn);
    // Chooses the clock source; during playback the run goes on, on the same grid.
    void SetClockSource(bool useTsc);

    // Every message of the main window passes here first; never swallows one.
    void HandleTransportMessage(unsigned message, intptr_t wParam, intptr_t lParam);
    void UpdateStepIndicator(bool on);

    bool IsRunning() const { return running_.load() != 0; }
    SequencerClock* Clock() { return clock_.get(); }

private:
    void BeginTimingRun(double intervalMs);
    // When the next step is due, in milliseconds from the start of the timing
    // run: its place on the grid (for the step that takes a pending tempo
    // change over, one new interval after the step before) plus its swing
    // delay. The one due time of the transport: the tick compares the clock
    // with it.
    double NextDueMs(bool tempoChangePending) const;
    // The next step's swing delay, at the interval it is due by.
    double NextSwingDelayMs(bool tempoChangePending) const;
    void ApplyClockSourceRequest();
    void RequestJump(int measure, bool restartCount);
    void ApplyJumpRequest();

    Setup* setup_ = nullptr;
    TransportDisplay* display_ = nullptr;
    TransportHost* host_ = nullptr;
    SoundOutput* sound_ = nullptr;
    std::unique_ptr<SequencerClock> clock_;

    // Written by the interface thread (release), taken by the timer thread.
    std::atomic<uint8_t> tempoChangePending_{0};
    std::atomic<int32_t> running_{0};
    Relaxed<double> interval_{0.0};
    Relaxed<double> pendingInterval_{0.0};
    // The clock reading when the current timing run began, whole: the tick
    // compares against its low 32 bits, as an unsigned difference.
    Relaxed<int64_t> runStart_{0};
    // When the step sounded last was due: no step is due less than a timer
    // tick after it.
    Relaxed<double> lastDueMs_{0.0};
    Relaxed<int64_t> stepCount_{0};
    // -1 none; otherwise 0 or 1: the clock source to switch to at the next tick.
    std::atomic<int> clockSourceRequest_{-1};
    // -1 none; otherwise a measure jump for the next tick (see RequestJump).
    std::atomic<int32_t> jumpRequest_{-1};
    // Counts starts and jumps; the interface thread's own. A message of the
    // playing mark counts only if it carries the latest value.
    uint32_t markSerial_ = 0;
    // The value of markSerial_ at the start of the run: UM_STEP_SOUNDED's tag.
    std::atomic<uint32_t> runTag_{0};
    // The start or jump whose measure the timer thread plays: the tag of the
    // UM_MEASURE_STATE it posts. Set at start, then by the timer thread only.
    Relaxed<uint32_t> markTag_{0};
    TriggerGate tickGate_;

    Relaxed<int16_t> lastMeasure_{0};
    Relaxed<int16_t> lastStep_{0};
    int litColumn_ = -1;
    int indicatorCounter_ = 0;
};
