// Measures the sound engine under real DirectSound: loading a bank of 128
// one-second 16-bit stereo files, and the cost of one Trigger on a multimedia
// timer thread, as the sequencer calls it. Prints the figures; not a test.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "ui/notice.h"
#include "audio/sound_engine.h"
#include "tests/audio/wav_builder.h"

namespace {
double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to, const LARGE_INTEGER& frequency) {
    return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

struct TimerRun {
    SoundEngine* engine;
    LARGE_INTEGER frequency;
    std::vector<double> microseconds;
    int next = 0;
    HANDLE done;
};

void CALLBACK OnTick(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    auto* run = reinterpret_cast<TimerRun*>(user);
    if (run->next >= static_cast<int>(run->microseconds.size())) return;
    const int step = run->next % 16;
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    run->engine->Trigger(step / 16, step);
    QueryPerformanceCounter(&after);
    run->microseconds[run->next] = 1e6 * Seconds(before, after, run->frequency);
    if (++run->next == static_cast<int>(run->microseconds.size())) SetEvent(run->done);
}

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * (values.size() - 1))];
}

void Ignore(const char*) {}
}  // namespace

int main() {
    SetNoteSink(Ignore);
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "sf-bench";
    CreateDirectoryA(folder.c_str(), nullptr);

    Setup setup;
    setup.soundDir = folder;
    WavFile wav;
    wav.channels = 2;
    wav.data = SineData(440, 1.0, 44100, 16, 2);
    const std::vector<uint8_t> bytes = wav.Bytes();
    for (int i = 0; i < 128; ++i) {
        const std::string name = "s" + std::to_string(i) + ".wav";
        FILE* f = std::fopen((folder + "\\" + name).c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
        setup.soundNames.push_back(name);
    }
    for (int m = 0; m < 8; ++m)
        for (int s = 0; s < 16; ++s) setup.StepAddress(m, s).sound = static_cast<int16_t>(m * 16 + s);

    HWND window = CreateWindowA("STATIC", "bench", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    SoundEngine engine;
    if (!engine.Init(setup, window)) return 3;

    LARGE_INTEGER frequency, before, after;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> loads;
    for (int round = 0; round < 5; ++round) {
        engine.ReleaseSoundBank();
        QueryPerformanceCounter(&before);
        engine.LoadSoundBank();
        QueryPerformanceCounter(&after);
        loads.push_back(1e3 * Seconds(before, after, frequency));
    }
    std::printf("LoadSoundBank, 128 files of 1 s 16-bit stereo 44.1 kHz (%u bytes each), 5 rounds:\n",
                static_cast<unsigned>(bytes.size()));
    std::printf("  median %.1f ms, min %.1f ms, max %.1f ms\n", Percentile(loads, 0.5), Percentile(loads, 0.0),
                Percentile(loads, 1.0));

    TimerRun run;
    run.engine = &engine;
    run.frequency = frequency;
    run.microseconds.assign(4000, 0.0);
    run.done = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    timeBeginPeriod(1);
    const MMRESULT timer = timeSetEvent(1, 0, OnTick, reinterpret_cast<DWORD_PTR>(&run), TIME_PERIODIC);
    WaitForSingleObject(run.done, 60000);
    timeKillEvent(timer);
    timeEndPeriod(1);
    std::printf("Trigger on the multimedia timer thread, %u calls (16 voices in turn):\n",
                static_cast<unsigned>(run.microseconds.size()));
    std::printf("  median %.1f us, 99th percentile %.1f us, max %.1f us\n", Percentile(run.microseconds, 0.5),
                Percentile(run.microseconds, 0.99), Percentile(run.microseconds, 1.0));

    engine.ReleaseSoundBank();
    for (const std::string& name : setup.soundNames) DeleteFileA((folder + "\\" + name).c_str());
    RemoveDirectoryA(folder.c_str());
    DestroyWindow(window);
    return 0;
}
