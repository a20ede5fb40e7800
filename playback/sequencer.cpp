#include "playback/sequencer.h"

#include <cmath>
#include <limits>

#include "playback/step_timing.h"
#include "playback/transport_messages.h"

namespace {
constexpr uint32_t kTimerPeriodMs = 1;
constexpr double kIndicatorTempoScale = 0.0006666666666666666;  // 1 / 1500
constexpr int kLastMeasure = Setup::kPlayableMeasures - 1;
constexpr int kLastStep = Setup::kStepsPerMeasure - 1;

// Tags of runs and jumps: small enough to travel in a message parameter on
// every target, and in a jump request beside the measure and a flag.
constexpr uint32_t kTagMask = 0x07FFFFFF;
constexpr int32_t kJumpMeasureBits = 0x7;
constexpr int32_t kJumpRestartsCount = 0x8;
constexpr int kJumpTagShift = 4;
static_assert((kLastMeasure & ~kJumpMeasureBits) == 0, "every playable measure fits the request's measure bits");

int ClampInt(int value, int low, int high) { return value < low ? low : value > high ? high : value; }
uint32_t NextTag(uint32_t tag) { return (tag + 1) & kTagMask; }
}  // namespace

Sequencer::~Sequencer() {
    if (clock_) {
        running_.store(0);
        clock_->StopTimer();
        tickGate_.WaitUntilClear();
    }
}

void Sequencer::Prepare(Setup& setup, TransportDisplay& display, TransportHost& host, SoundOutput& sound,
                        std::unique_ptr<SequencerClock> clock) {
    setup_ = &setup;
    display_ = &display;
    host_ = &host;
    sound_ = &sound;
    clock_ = std::move(clock);
    clock_->ConfigureTimer(kTimerPeriodMs, this);
}

void Sequencer::BeginTimingRun(double intervalMs) {
    interval_ = intervalMs;
    stepCount_ = 1;
    runStart_ = clock_->NowMs();
}

void Sequencer::StartPlayback() {
    if (running_.load()) {
        // A restart: no tick of the old run may overlap this one.
        clock_->StopTimer();
        tickGate_.WaitUntilClear();
    }
    tempoChangePending_.store(0);
    jumpRequest_.store(-1);  // a jump asked for in an earlier run is void
    markSerial_ = NextTag(markSerial_);
    runTag_.store(markSerial_);
    markTag_ = markSerial_;
    BeginTimingRun(StepIntervalMs(setup_->tempo));
    running_.store(1);
    setup_->playMeasure = setup_->editMeasure.Load();
    // The first step counts the first pass, so every measure plays exactly its
    // passes, whatever the last run left here and however few steps it has.
    setup_->repeatCounter = 0;
    // A new run owes nothing to the last one's steps.
    lastDueMs_ = -std::numeric_limits<double>::infinity();
    AdvanceStep(static_cast<double>(runStart_.Load()));
    host_->Post(UM_MEASURE_STATE, setup_->editMeasure, static_cast<intptr_t>(markSerial_));
    display_->SetPlayButton(true);
    // Started last, so the timer thread never runs beside the part above.
    clock_->StartTimer();
}

void Sequencer::StopPlayback() {
    running_.store(0);
    clock_->StopTimer();
    // A tick may have begun before the timer died: let it finish before the
    // position is reset under it.
    tickGate_.WaitUntilClear();
    ApplyClockSourceRequest();
    jumpRequest_.store(-1);
    if (setup_->polyphonic == 0) sound_->KillAllSound();
    setup_->stepIndex = 0;
    UpdateStepIndicator(false);
    host_->Post(UM_MEASURE_STATE, setup_->playMeasure, -1);
    display_->SetPlayButton(false);
}

void Sequencer::TogglePlayback() {
    unsigned message;
    if (!running_.load()) {
        StartPlayback();
        message = UM_START_TRANSPORT;
    } else {
        StopPlayback();
        message = UM_STOP_TRANSPORT;
    }
    if (!host_->IsCtrlDown()) host_->BroadcastTransport(message);
}

void Sequencer::OnTimerTick() {
    TriggerGate::Use use(tickGate_);
    if (!running_.load()) return;
    ApplyClockSourceRequest();
    ApplyJumpRequest();

    const uint32_t elapsed = static_cast<uint32_t>(clock_->NowMs() - runStart_);
    const bool pending = tempoChangePending_.load(std::memory_order_acquire) != 0;

    if (!IsUsableInterval(interval_)) {
        // No step falls due at an unusable tempo (zero, negative, not finite);
        // a usable new one takes over at once rather than waiting forever for
        // a step that will never come.
        const double pendingInterval = pendingInterval_;
        if (pending && IsUsableInterval(pendingInterval) && tempoChangePending_.exchange(0)) {
            BeginTimingRun(pendingInterval);
        }
        return;
    }

    const double due = NextDueMs(pending);
    // Compared rather than divided, so an odd due time can never fault.
    if (!(elapsed >= due)) return;

    const double swingDelay = NextSwingDelayMs(pending);
    AdvanceStep(StepSoundsAtMs(static_cast<double>(runStart_.Load()) + due, lastDueMs_));
    stepCount_ += 1;
    if (pending && tempoChangePending_.exchange(0)) {
        // The step that took the change over starts a new run on the new
        // grid, from its place on the grid: a swung step sounded late.
        BeginTimingRun(pendingInterval_);
        runStart_ -= std::llround(swingDelay);
    }
}

double Sequencer::NextDueMs(bool tempoChangePending) const {
    const double interval = interval_;
    const double stepCount = static_cast<double>(stepCount_.Load());
    // Step k of a run is due k intervals after its start; the step that takes
    // a tempo change over, one new interval after the place of the step before.
    const double onGrid = tempoChangePending ? stepCount * interval + (pendingInterval_ - interval)
                                             : stepCount * interval;
    return onGrid + NextSwingDelayMs(tempoChangePending);
}

double Sequencer::NextSwingDelayMs(bool tempoChangePending) const {
    const int step = ClampInt(setup_->stepIndex, 0, kLastStep);
    return SwingDelayMs(step, setup_->swing, tempoChangePending ? pendingInterval_ : interval_);
}

void Sequencer::AdvanceStep(double dueMs) {
    lastDueMs_ = dueMs;
    // Both indices stay in range whatever a file or the window left behind.
    const int m = ClampInt(setup_->playMeasure, 0, kLastMeasure);
    const int s = ClampInt(setup_->stepIndex, 0, kLastStep);
    Measure& measure = setup_->measures[m];

    if (measure.steps[s].on != 0) {
        if (setup_->polyphonic == 0) sound_->StopVoice(lastMeasure_, lastStep_, dueMs);
        sound_->Trigger(m, s, dueMs);
        lastMeasure_ = static_cast<int16_t>(m);
        lastStep_ = static_cast<int16_t>(s);
    }
    host_->Post(UM_STEP_SOUNDED, static_cast<intptr_t>(runTag_.load(std::memory_order_relaxed)), 0);
    if (s == 0) {
        setup_->repeatCounter += 1;
        host_->Post(UM_MEASURE_STATE, m, static_cast<intptr_t>(markTag_.Load()));
    }
    // The position is stored once, so the interface thread never reads a
    // step beyond the pass.
    const int activeSteps = ClampInt(setup_->stepsPerMeasure, 1, Setup::kStepsPerMeasure);
    if (s < activeSteps - 1) {
        setup_->stepIndex = static_cast<int16_t>(s + 1);
        return;
    }
    setup_->stepIndex = 0;
    if (setup_->repeatCounter < measure.repeatCount) return;
    // A link outside the playable measures points back at the measure itself.
    const int next = measure.nextMeasure;
    setup_->playMeasure = static_cast<int16_t>(next >= 0 && next <= kLastMeasure ? next : m);
    setup_->repeatCounter = 0;
}

void Sequencer::OnTempoChanged() {
    pendingInterval_ = StepIntervalMs(setup_->tempo);
    tempoChangePending_.store(1, std::memory_order_release);
}

void Sequencer::OnMeasureSelected(int index) {
    if (!running_.load()) return;
    if (host_->IsCtrlDown()) return;  // Ctrl: only the editor changes
    RequestJump(setup_->editMeasure, false);
    display_->SetPlayingMeasure(index);
}

void Sequencer::OnMeasureKey(int index) {
    if (!running_.load()) return;
    RequestJump(index, true);
    display_->SetPlayingMeasure(index);
}

void Sequencer::RequestJump(int measure, bool restartCount) {
    markSerial_ = NextTag(markSerial_);
    // A request the timer has not taken yet is replaced; had it been taken,
    // the measure would have changed, and its count restarted with it.
    const bool replaced = jumpRequest_.exchange(-1) >= 0;
    const int32_t flags = (restartCount || replaced) ? kJumpRestartsCount : 0;
    jumpRequest_.store((ClampInt(measure, 0, kLastMeasure) & kJumpMeasureBits) | flags |
                       static_cast<int32_t>(markSerial_ << kJumpTagShift));
}

void Sequencer::ApplyJumpRequest() {
    const int32_t request = jumpRequest_.exchange(-1);
    if (request < 0) return;
    const int16_t measure = static_cast<int16_t>(request & kJumpMeasureBits);
    if ((request & kJumpRestartsCount) || measure != setup_->playMeasure) setup_->repeatCounter = 0;
    setup_->playMeasure = measure;
    markTag_ = static_cast<uint32_t>(request) >> kJumpTagShift;
}

void Sequencer::OnMuteToggled(bool soundOn) {
    ApplyMute(soundOn);
    setup_->modified = 1;
}

void Sequencer::ApplyMute(bool soundOn) {
    setup_->muted = soundOn ? 0 : 1;
    if (setup_->muted) sound_->SilencePlayingVoices();
    else sound_->ReapplyVolumes();
}

void Sequencer::SetClockSource(bool useTsc) {
    if (!running_.load()) {
        clock_->SetUseTsc(useTsc);
        return;
    }
    clockSourceRequest_.store(useTsc ? 1 : 0);
}

void Sequencer::ApplyClockSourceRequest() {
    const int request = clockSourceRequest_.exchange(-1);
    if (request < 0) return;
    // Keep the time elapsed in the run, so the grid goes on unbroken on the
    // new source (the two sources count from different origins).
    const int64_t elapsed = clock_->NowMs() - runStart_;
    const double sinceLastDue = static_cast<double>(clock_->NowMs()) - lastDueMs_;
    clock_->SetUseTsc(request == 1);
    const int64_t now = clock_->NowMs();
    runStart_ = now - elapsed;
    lastDueMs_ = static_cast<double>(now) - sinceLastDue;
}

void Sequencer::HandleTransportMessage(unsigned message, intptr_t wParam, intptr_t lParam) {
    switch (message) {
    case UM_MEASURE_STATE:
        if (lParam == -1) display_->SetPlayingMeasure(-1);
        // Only the latest start or jump marks a measure: one queued before a
        // jump would move the mark back.
        else if (running_.load() && static_cast<uint32_t>(lParam) == markSerial_)
            display_->SetPlayingMeasure(ClampInt(static_cast<int>(wParam), 0, kLastMeasure));
        break;
    case UM_STEP_SOUNDED:
        // A step of a run that has ended lights nothing.
        if (running_.load() && static_cast<uint32_t>(wParam) == runTag_.load()) UpdateStepIndicator(true);
        break;
    case UM_START_TRANSPORT:
        if (!running_.load()) StartPlayback();
        break;
    case UM_STOP_TRANSPORT:
        if (running_.load()) StopPlayback();
        break;
    default:
        break;
    }
}

void Sequencer::UpdateStepIndicator(bool on) {
    if (!on) {
        if (litColumn_ >= 0) display_->SetLamp(litColumn_, false);
        litColumn_ = -1;
        return;
    }
    indicatorCounter_ += 1;
    if (setup_->tempo * kIndicatorTempoScale > indicatorCounter_) return;
    indicatorCounter_ = 0;
    // The position has moved on already: light the step just processed.
    const int index = setup_->stepIndex;
    const int column = ClampInt((index == 0 ? setup_->stepsPerMeasure.Load() : index) - 1, 0, kLastStep);
    display_->SetLamp(column, true);
    if (litColumn_ >= 0 && litColumn_ != column) display_->SetLamp(litColumn_, false);
    litColumn_ = column;
}
