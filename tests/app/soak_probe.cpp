// Plays a setup file through the real main window for a long time, as the
// program does (its window, panel, lamp, sequencer, clock, sound engine and
// message loop), and reports once a minute what the process holds and how
// closely the steps kept to their grid (Wine counts no GDI or USER objects
// per process, so those are not reported). For the soak benchmark
// (tools/bench/soak.py); not a test.
//
//   soak_probe SETUP-FILE MINUTES [stream|directsound]
//
// The window opens SETUP-FILE (a full path) from its command line, as it does
// when a person opens the file with the program. The tempo is the file's.
// Output lines:
//   SOUNDS listed loaded | CLOCK tsc|qpc | START ms | NOTE text
//   SAMPLE minute commitKB workingSetKB handles steps median p99 max mean clockMs realMs soundMs
//   TOTAL steps median p99 max drift
//   STREAM lateCommands droppedCommands underruns (playing through the stream)
// where the errors (milliseconds, the sequencer's own clock) are each step's
// start minus its place on the grid start + k * 15000 / tempo, and
// drift is the mean error of the last minute minus that of the first;
// clockMs and realMs are the time since the first step on the sequencer's
// clock and on the performance counter, whose ratio is the clock's rate;
// soundMs is the longest a step spent in the sound engine that minute.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "controls/key_state.h"
#include "panels/main_panel.h"
#include "playback/playback_clock.h"
#include "playback/step_timing.h"
#include "playback/transport_messages.h"
#include "playback/window_transport_host.h"
#include "tests/process_usage.h"
#include "ui/notice.h"

namespace {

// The sequencer's collaborators as the window has them, with every step
// timed: a step begins at its first call into the sound engine (as the bare
// timer's ticks are timed) or, when it sounds nothing, at its announcement;
// it ends at its announcement (UM_STEP_SOUNDED), so the time between is
// DirectSound's. All on the timer thread (the first step on the interface
// thread, before the timer starts), into room made beforehand: the playback
// path allocates nothing.
class TimedSteps : public TransportHost, public SoundOutput {
public:
    TimedSteps(HWND window, SoundPlayer& engine, size_t capacity)
        : host_(window), engine_(engine), starts_(capacity), work_(capacity) {}
    void SetClock(SequencerClock* clock) { clock_ = clock; }

    void Post(unsigned message, intptr_t wParam, intptr_t lParam) override {
        if (message == UM_STEP_SOUNDED) {
            const int64_t now = clock_->NowMs();
            const int64_t began = stepBegan_ >= 0 ? stepBegan_ : now;
            stepBegan_ = -1;
            const size_t n = count_.load(std::memory_order_relaxed);
            if (n < starts_.size()) {
                starts_[n] = began;
                work_[n] = static_cast<int32_t>(now - began);
            }
            count_.store(n + 1, std::memory_order_release);
        }
        host_.Post(message, wParam, lParam);
    }
    bool IsCtrlDown() override { return host_.IsCtrlDown(); }
    void BroadcastTransport(unsigned message) override { host_.BroadcastTransport(message); }

    void Trigger(int m, int s, double due) override {
        Begin();
        engine_.Trigger(m, s, due);
    }
    void StopVoice(int m, int s, double due) override {
        Begin();
        engine_.StopVoice(m, s, due);
    }
    void KillAllSound() override { engine_.KillAllSound(); }
    void SilencePlayingVoices() override { engine_.SilencePlayingVoices(); }
    void ReapplyVolumes() override { engine_.ReapplyVolumes(); }

    size_t Count() const { return std::min(count_.load(std::memory_order_acquire), starts_.size()); }
    int64_t Start(size_t i) const { return starts_[i]; }
    int32_t Work(size_t i) const { return work_[i]; }

private:
    void Begin() {
        if (stepBegan_ < 0) stepBegan_ = clock_->NowMs();
    }

    WindowTransportHost host_;
    SoundPlayer& engine_;
    SequencerClock* clock_ = nullptr;
    int64_t stepBegan_ = -1;
    std::vector<int64_t> starts_;
    std::vector<int32_t> work_;
    std::atomic<size_t> count_{0};
};

void PrintNote(const char* text) {
    std::printf("NOTE %s\n", text);
    std::fflush(stdout);
}
SHORT NoKeysDown(int) { return 0; }  // the real keyboard must not steer the window

// Of values sorted in place.
double Percentile(const std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    return sorted[static_cast<size_t>(p * static_cast<double>(sorted.size() - 1))];
}
double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) sum += v;
    return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: soak_probe SETUP-FILE MINUTES [stream|directsound]\n");
        return 2;
    }
    const int minutes = std::atoi(argv[2]);
    SetNoteSink(PrintNote);
    SetKeyStateQuery(NoKeysDown);

    auto* window = new MainWindow;
    if (!window->CreateModeless(nullptr)) return 3;
    HWND hwnd = window->Handle();
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Setup& setup = window->GetSetup();
    const bool stream = argc == 4 ? std::string(argv[3]) == "stream" : window->SampleAccurate();
    // The stream reads the sequencer's clock, which is replaced below: it stops meanwhile.
    window->UseSampleAccurate(false);
    int loaded = 0;
    for (int i = 0; i < window->Sound().SoundCount(); ++i) loaded += window->Sound().HasMaster(i) ? 1 : 0;
    std::printf("SOUNDS %d %d\n", window->Sound().SoundCount(), loaded);
    if (loaded == 0) return 4;

    // The sequencer as the window prepares it, with its steps timed.
    const double stepMs = StepIntervalMs(setup.tempo);
    TimedSteps output(hwnd, window->Sound(), static_cast<size_t>(minutes * 60000.0 / stepMs * 1.01) + 1000);
    Sequencer& sequencer = window->GetSequencer();
    sequencer.Prepare(setup, *window->Panel(), output, output, std::make_unique<PlaybackClock>());
    sequencer.SetClockSource(setup.highResTimer != 0);
    output.SetClock(sequencer.Clock());
    auto* clock = static_cast<PlaybackClock*>(sequencer.Clock());
    window->UseSampleAccurate(stream);
    std::printf("OUTPUT %s\n", window->SampleAccurate() ? "stream" : "directsound");
    std::printf("CLOCK %s\n", setup.highResTimer != 0 && clock->TscAvailable() ? "tsc" : "qpc");

    sequencer.StartPlayback();
    // The first step sounds as the run starts: the grid's origin.
    const int64_t start = output.Start(0);
    LARGE_INTEGER frequency, realStart;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&realStart);
    std::printf("START %lld\n", static_cast<long long>(start));
    std::fflush(stdout);

    // The program's own loop: wait, filter, dispatch; a sample every minute.
    // The probe's own memory is all taken here, so what the samples show is
    // the program's.
    const DWORD begun = GetTickCount();
    size_t sampled = 0;
    double firstMean = 0, lastMean = 0;
    std::vector<double> errors;
    errors.reserve(static_cast<size_t>(2 * 60000.0 / stepMs) + 1000);
    for (int minute = 1; minute <= minutes; ++minute) {
        const DWORD due = begun + static_cast<DWORD>(minute) * 60000u;
        for (;;) {
            MSG msg;
            while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (!window->PreTranslateMessage(&msg)) {
                    TranslateMessage(&msg);
                    DispatchMessageA(&msg);
                }
            }
            const LONG left = static_cast<LONG>(due - GetTickCount());
            if (left <= 0) break;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
        }
        const size_t count = output.Count();
        errors.clear();
        int32_t longestWork = 0;
        for (size_t k = sampled; k < count; ++k) {
            errors.push_back(static_cast<double>(output.Start(k) - start) - static_cast<double>(k) * stepMs);
            longestWork = std::max(longestWork, output.Work(k));
        }
        sampled = count;
        lastMean = Mean(errors);
        if (minute == 1) firstMean = lastMean;
        std::sort(errors.begin(), errors.end());

        PROCESS_MEMORY_COUNTERS_EX counters = {};
        counters.cb = sizeof counters;
        GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters);
        const unsigned handles = OpenHandles();
        LARGE_INTEGER realNow;
        QueryPerformanceCounter(&realNow);
        const int64_t clockNow = sequencer.Clock()->NowMs();
        const double realMs = 1000.0 * static_cast<double>(realNow.QuadPart - realStart.QuadPart) /
                              static_cast<double>(frequency.QuadPart);
        std::printf("SAMPLE %d %llu %llu %u %u %.2f %.2f %.2f %.3f %lld %.1f %d\n", minute,
                    static_cast<unsigned long long>(PrivateCommit() / 1024),
                    static_cast<unsigned long long>(counters.WorkingSetSize / 1024), handles,
                    static_cast<unsigned>(errors.size()), Percentile(errors, 0.5), Percentile(errors, 0.99),
                    Percentile(errors, 1.0), lastMean, static_cast<long long>(clockNow - start), realMs,
                    static_cast<int>(longestWork));
        std::fflush(stdout);
    }
    sequencer.StopPlayback();
    std::vector<double> all;
    for (size_t k = 0; k < sampled; ++k)
        all.push_back(static_cast<double>(output.Start(k) - start) - static_cast<double>(k) * stepMs);
    std::sort(all.begin(), all.end());
    std::printf("TOTAL %u %.2f %.2f %.2f %.3f\n", static_cast<unsigned>(all.size()), Percentile(all, 0.5),
                Percentile(all, 0.99), Percentile(all, 1.0), lastMean - firstMean);
    if (window->SampleAccurate()) {
        const StreamingEngine& stream = window->Streaming();
        std::printf("STREAM %llu %llu %u\n", static_cast<unsigned long long>(stream.LateCommands()),
                    static_cast<unsigned long long>(stream.DroppedCommands()), stream.Underruns());
    }
    std::fflush(stdout);
    delete window;
    return 0;
}
