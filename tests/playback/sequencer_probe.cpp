// Plays a measure of clicks through the real sequencer, clock, multimedia
// timer and DirectSound, and reports the clock time of every trigger, so tests
// and the timing benchmark can hold it against the grid and the recording.
//
//   sequencer_probe SOUND-FOLDER TEMPO SECONDS tsc|qpc [play|silent|baseline|voices128] [SWING] [directsound|stream]
//
// "play" (the default) sounds a click on every step. "silent" runs the same
// sequencer with no sound loaded, so the CPU it uses is the sequencer's own;
// "baseline" runs only a bare 1 ms multimedia timer that compares the same
// clock with the same grid. DirectSound is open in every mode, so its mixing
// costs the same in each. SWING is in tenths of a percent (500, straight, by
// default). The steps sound through DirectSound's buffers, or through the
// sample-accurate stream. Output lines:
//   CLOCK source ticksPerMs period resolution
//   START ms | TRIGGER index ms dueMs | STOP ms | TIMER_ACTIVE 0|1 | CPU ms | NOTE text
//   QPC_MS clockMs counterMs (the clock and the performance counter in ms, read together)
// "voices128" chains all eight measures and plays a long sound (voice.wav)
// pitched up 14 semitones on every step, polyphonic: at 3000 BPM 128 voices
// sound at once.
//   STREAM lateCommands droppedCommands underruns leastMarginFrames mostVoices (the stream only)
//   COUNTERS tsc qpc qpcFrequency (both counters read together, at the start
//   and at the end of playing: the time-stamp counter's true rate over the run)
#include <windows.h>

#include <x86intrin.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "ui/notice.h"
#include "audio/sound_engine.h"
#include "audio/streaming_engine.h"
#include "playback/playback_clock.h"
#include "playback/sequencer.h"
#include "playback/step_timing.h"
#include "playback/window_transport_host.h"

namespace {

// Times every trigger with the sequencer's own clock; no allocation while playing.
class TimedOutput : public SoundOutput {
public:
    TimedOutput(SoundPlayer& engine, SequencerClock& clock, size_t capacity) : engine_(engine), clock_(clock) {
        times_.resize(capacity);
        dues_.resize(capacity);
    }
    void Trigger(int m, int s, double due) override {
        const size_t n = count_.load(std::memory_order_relaxed);
        if (n < times_.size()) times_[n] = clock_.NowMs(), dues_[n] = due;
        count_.store(n + 1, std::memory_order_release);
        engine_.Trigger(m, s, due);
    }
    void StopVoice(int m, int s, double due) override { engine_.StopVoice(m, s, due); }
    void KillAllSound() override { engine_.KillAllSound(); }
    void SilencePlayingVoices() override { engine_.SilencePlayingVoices(); }
    void ReapplyVolumes() override { engine_.ReapplyVolumes(); }
    size_t Count() const { return count_.load(std::memory_order_acquire); }
    int64_t At(size_t i) const { return times_[i]; }
    double DueAt(size_t i) const { return dues_[i]; }

private:
    SoundPlayer& engine_;
    SequencerClock& clock_;
    std::vector<int64_t> times_;
    std::vector<double> dues_;
    std::atomic<size_t> count_{0};
};

class NoDisplay : public TransportDisplay {
    void SetPlayButton(bool) override {}
    void SetPlayingMeasure(int) override {}
    void SetLamp(int, bool) override {}
};

Sequencer* theSequencer = nullptr;

LRESULT CALLBACK ProbeWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (theSequencer) theSequencer->HandleTransportMessage(message, wParam, lParam);
    return DefWindowProcA(window, message, wParam, lParam);
}

// The stream's voices sounding at once, looked at while the messages are pumped.
const StreamingEngine* watchedStream = nullptr;
int mostVoices = 0;

void PumpFor(DWORD ms) {
    const DWORD end = GetTickCount() + ms;
    while (static_cast<LONG>(end - GetTickCount()) > 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
        if (watchedStream && watchedStream->SoundingVoices() > mostVoices) mostVoices = watchedStream->SoundingVoices();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

void PrintNote(const char* text) { std::printf("NOTE %s\n", text); }

void PrintCounters() {
    LARGE_INTEGER count, frequency;
    QueryPerformanceFrequency(&frequency);
    const unsigned long long before = __rdtsc();
    QueryPerformanceCounter(&count);
    const unsigned long long after = __rdtsc();
    std::printf("COUNTERS %llu %lld %lld\n", before + (after - before) / 2, static_cast<long long>(count.QuadPart),
                static_cast<long long>(frequency.QuadPart));
}

// The bare timer: one callback a millisecond compares the clock with the grid.
struct Baseline : TickListener {
    PlaybackClock* clock = nullptr;
    double interval = 0, due = 0;
    int64_t start = 0;
    std::vector<int64_t> times;
    std::atomic<size_t> count{0};
    void OnTimerTick() override {
        const int64_t now = clock->NowMs();
        if (static_cast<double>(now - start) < due) return;
        const size_t n = count.load(std::memory_order_relaxed);
        if (n < times.size()) times[n] = now;
        count.store(n + 1, std::memory_order_release);
        due += interval;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr,
                     "usage: sequencer_probe SOUND-FOLDER TEMPO SECONDS tsc|qpc [play|silent|baseline|voices128] [SWING] "
                     "[directsound|stream]\n");
        return 2;
    }
    const double tempo = std::atof(argv[2]);
    const double seconds = std::atof(argv[3]);
    const bool useTsc = std::string(argv[4]) == "tsc";
    const std::string mode = argc > 5 ? argv[5] : "play";
    const bool baseline = mode == "baseline";
    const int swing = argc > 6 ? std::atoi(argv[6]) : 500;
    const bool stream = argc > 7 && std::string(argv[7]) == "stream";
    SetNoteSink(PrintNote);

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SequencerProbe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("SequencerProbe", "probe", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                windowClass.hInstance, nullptr);

    Setup setup;
    SoundEngine engine;
    engine.Init(setup, window);

    auto ownedClock = std::make_unique<PlaybackClock>();
    PlaybackClock& clock = *ownedClock;
    clock.SetUseTsc(useTsc);
    std::printf("CLOCK %s %d %u %u\n", useTsc && clock.TscAvailable() ? "tsc" : "qpc", clock.TicksPerMs(),
                clock.Period(), clock.SystemResolution());
    const size_t capacity = static_cast<size_t>(seconds * 1000) + 16;

    if (baseline) {
        Baseline bare;
        bare.clock = &clock;
        bare.interval = StepIntervalMs(tempo);
        bare.times.resize(capacity);
        clock.ConfigureTimer(1, &bare);
        PumpFor(1500);  // as long as the sequencer's runs settle
        bare.start = clock.NowMs();
        const double cpuBefore = ProcessCpuMs();
        std::printf("START %lld\n", static_cast<long long>(bare.start));
        std::fflush(stdout);
        clock.StartTimer();
        PumpFor(static_cast<DWORD>(seconds * 1000));
        clock.StopTimer();
        std::printf("STOPPING\n");
        std::fflush(stdout);
        std::printf("CPU %.1f\n", ProcessCpuMs() - cpuBefore);
        for (size_t i = 0; i < bare.count.load() && i < capacity; ++i)
            std::printf("TRIGGER %u %lld\n", static_cast<unsigned>(i), static_cast<long long>(bare.times[i]));
        return 0;
    }

    setup.soundDir = argv[1];
    if (mode == "play") setup.soundNames = {"click.wav"};
    if (mode == "voices128") {
        setup.soundNames = {"voice.wav"};
        for (int m = 0; m < Setup::kPlayableMeasures; ++m) {
            setup.measures[m].nextMeasure = static_cast<int16_t>((m + 1) % Setup::kPlayableMeasures);
            for (int s = 0; s < 16; ++s) setup.StepAddress(m, s).on = 1, setup.StepAddress(m, s).pitch = 14;
        }
    }
    setup.tempo = tempo;
    setup.polyphonic = 1;
    setup.swing = static_cast<int16_t>(swing);
    // Hard left: the right channel is left to a reference track played beside.
    for (int m = 0; m < Setup::kPlayableMeasures; ++m)
        for (int s = 0; s < 16; ++s) setup.StepAddress(m, s).sound = 0, setup.StepAddress(m, s).pan = 0;
    StreamingEngine streaming;
    SoundPlayer* player = &engine;
    if (stream) {
        streaming.Init(setup, [&clock] { return clock.NowMsExact(); }, window);
        if (!streaming.Start()) {
            std::printf("NOTE the stream did not open: %s\n", streaming.Error().c_str());
            return 1;
        }
        player = &streaming;
        watchedStream = &streaming;
    }
    player->LoadSoundBank();

    TimedOutput output(*player, clock, capacity);
    NoDisplay display;
    WindowTransportHost host(window);
    Sequencer sequencer;
    theSequencer = &sequencer;
    sequencer.Prepare(setup, display, host, output, std::move(ownedClock));

    // Let the audio stream settle before the first step: a new stream under
    // Wine runs slow for its first second or two.
    PumpFor(stream ? 3000 : 1500);
    const double cpuBefore = ProcessCpuMs();
    PrintCounters();
    {
        LARGE_INTEGER count, frequency;
        QueryPerformanceFrequency(&frequency);
        const double clockMs = sequencer.Clock()->NowMsExact();
        QueryPerformanceCounter(&count);
        std::printf("QPC_MS %.3f %.3f\n", clockMs,
                    1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart));
    }
    std::printf("START %lld\n", static_cast<long long>(sequencer.Clock()->NowMs()));
    std::fflush(stdout);
    sequencer.StartPlayback();
    PumpFor(static_cast<DWORD>(seconds * 1000));
    sequencer.StopPlayback();
    PrintCounters();
    std::printf("STOPPING\n");
    std::fflush(stdout);
    const int64_t stopped = sequencer.Clock()->NowMs();
    const double cpu = ProcessCpuMs() - cpuBefore;
    const size_t triggered = output.Count();
    PumpFor(500);  // nothing may fall due after the stop
    std::printf("STOP %lld\n", static_cast<long long>(stopped));
    std::printf("TIMER_ACTIVE %d\n", clock.TimerActive() ? 1 : 0);
    std::printf("LATE_TRIGGERS %u\n", static_cast<unsigned>(output.Count() - triggered));
    std::printf("CPU %.1f\n", cpu);
    if (stream) {
        std::printf("STREAM %llu %llu %u %d %d\n", static_cast<unsigned long long>(streaming.LateCommands()),
                    static_cast<unsigned long long>(streaming.DroppedCommands()), streaming.Underruns(),
                    static_cast<int>(streaming.Stream().LeastMarginFrames()), mostVoices);
    }
    for (size_t i = 0; i < triggered && i < capacity; ++i)
        std::printf("TRIGGER %u %lld %.3f\n", static_cast<unsigned>(i), static_cast<long long>(output.At(i)),
                    output.DueAt(i));
    // The stream reads the sequencer's clock: it ends first.
    streaming.Stop();
    theSequencer = nullptr;
    DestroyWindow(window);
    return 0;
}
