// Measures the real main window in this process under Wine: a full repaint,
// the interface thread's work for one UM_STEP_SOUNDED, and how quickly the
// interface thread answers a posted message while playback runs at 3000 BPM.
// Prints the figures; not a test (see docs/benchmarks.md).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "ui/notice.h"
#include "controls/key_state.h"
#include "playback/transport_messages.h"

namespace {
constexpr UINT kProbe = WM_APP + 1;  // wParam sequence number, lParam low 32 bits of the QPC at posting
constexpr UINT kProbesDone = WM_APP + 2;
constexpr int kProbeIntervalMs = 10;
constexpr int kProbeSeconds = 5;

LARGE_INTEGER frequency;

int64_t Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}
double Micros(int64_t ticks) { return 1e6 * static_cast<double>(ticks) / static_cast<double>(frequency.QuadPart); }

double Percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * (values.size() - 1))];
}
void PrintSpread(const char* what, const std::vector<double>& us) {
    std::printf("  %s: median %.1f us, 99th percentile %.1f us, max %.1f us (%u samples)\n", what,
                Percentile(us, 0.5), Percentile(us, 0.99), Percentile(us, 1.0), static_cast<unsigned>(us.size()));
}

void Ignore(const char*) {}
SHORT NoKeysDown(int) { return 0; }  // the real keyboard must not steer the window

MainWindow* window = nullptr;

void Pump() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!window->PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
}

// Probe messages reach the main window's own queue and loop; the window's
// procedure never sees them, so they are taken here, in front of it.
WNDPROC windowProc = nullptr;
std::vector<double> probeDelays;
bool probesDone = false;

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbe) {
        const uint32_t posted = static_cast<uint32_t>(lParam);
        probeDelays.push_back(Micros(static_cast<uint32_t>(static_cast<uint32_t>(Now()) - posted)));
        return 0;
    }
    if (message == kProbesDone) {
        probesDone = true;
        return 0;
    }
    return CallWindowProcA(windowProc, hwnd, message, wParam, lParam);
}

DWORD WINAPI PostProbes(LPVOID parameter) {
    HWND target = static_cast<HWND>(parameter);
    const int count = kProbeSeconds * 1000 / kProbeIntervalMs;
    const int64_t start = Now();
    for (int i = 0; i < count; ++i) {
        // On a fixed grid, so a late wake-up does not stretch the run.
        const int64_t due = start + frequency.QuadPart * kProbeIntervalMs * i / 1000;
        while (Now() < due) Sleep(1);
        PostMessageA(target, kProbe, static_cast<WPARAM>(i), static_cast<LPARAM>(static_cast<uint32_t>(Now())));
    }
    PostMessageA(target, kProbesDone, 0, 0);
    return 0;
}

int64_t ThreadCpu100ns(HANDLE thread) {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(thread, &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& t) { return (static_cast<int64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime; };
    return value(kernel) + value(user);
}

void MeasureRepaint(HWND hwnd) {
    RECT client;
    GetClientRect(hwnd, &client);
    std::vector<double> us;
    for (int i = 0; i < 220; ++i) {
        const int64_t before = Now();
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
        const int64_t after = Now();
        if (i >= 20) us.push_back(Micros(after - before));  // the first ones warm caches and Wine's surfaces
        Pump();
    }
    std::printf("Full repaint of the %ld x %ld client area (RedrawWindow, RDW_INVALIDATE | RDW_ERASE | "
                "RDW_UPDATENOW):\n", client.right, client.bottom);
    PrintSpread("repaint", us);
}

void MeasureStepSounded(HWND hwnd) {
    Setup& setup = window->GetSetup();
    Sequencer& sequencer = window->GetSequencer();
    // The lamp follows only the steps of a run that plays: start one, keep
    // the tag its first step's message carries, and stop its timer so that
    // only this loop moves the position.
    sequencer.StartPlayback();
    sequencer.Clock()->StopTimer();
    MSG first = {};
    PeekMessageA(&first, hwnd, UM_STEP_SOUNDED, UM_STEP_SOUNDED, PM_REMOVE);
    Pump();
    std::vector<double> handled, withPaint;
    for (int i = 0; i < 1020; ++i) {
        // As the timer thread leaves it: the position already past the step sounded.
        setup.stepIndex = static_cast<int16_t>((i + 1) % setup.stepsPerMeasure);
        const int64_t before = Now();
        SendMessageA(hwnd, UM_STEP_SOUNDED, first.wParam, 0);
        const int64_t sent = Now();
        UpdateWindow(hwnd);
        const int64_t painted = Now();
        if (i >= 20) {
            handled.push_back(Micros(sent - before));
            withPaint.push_back(Micros(painted - before));
        }
    }
    sequencer.StopPlayback();
    Pump();
    std::printf("One UM_STEP_SOUNDED at %.0f BPM (lamp moves on every message), sent through the window "
                "procedure:\n", setup.tempo.Load());
    PrintSpread("message alone", handled);
    PrintSpread("message + UpdateWindow (lamp repaint)", withPaint);
}

// Idle (not playing) gives the floor Wine itself sets for a posted message.
void MeasureResponsiveness(HWND hwnd, bool playing) {
    Setup& setup = window->GetSetup();
    Sequencer& sequencer = window->GetSequencer();
    const double savedTempo = setup.tempo;
    setup.tempo = 3000.0;
    probeDelays.clear();
    probesDone = false;
    windowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ProbeProc)));

    if (playing) sequencer.StartPlayback();
    HANDLE uiThread = GetCurrentThread();
    const int64_t cpuBefore = ThreadCpu100ns(uiThread);
    const int64_t wallBefore = Now();
    HANDLE poster = CreateThread(nullptr, 0, PostProbes, hwnd, 0, nullptr);

    // The program's own loop: wait, filter, dispatch.
    int stepMessages = 0, paints = 0;
    int64_t handling = 0;
    MSG msg;
    while (!probesDone && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == UM_STEP_SOUNDED) ++stepMessages;
        if (msg.message == WM_PAINT) ++paints;
        const int64_t before = Now();
        if (!window->PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        handling += Now() - before;
    }
    const int64_t wall = Now() - wallBefore;
    const int64_t cpu = ThreadCpu100ns(uiThread) - cpuBefore;
    if (playing) sequencer.StopPlayback();
    WaitForSingleObject(poster, 10000);
    CloseHandle(poster);
    Pump();
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(windowProc));
    setup.tempo = savedTempo;

    const double seconds = Micros(wall) / 1e6;
    if (playing)
        std::printf("Playing at 3000 BPM for %.2f s (%d UM_STEP_SOUNDED handled, %.0f per second; %d WM_PAINT):\n",
                    seconds, stepMessages, stepMessages / seconds, paints);
    else
        std::printf("Not playing, for %.2f s:\n", seconds);
    PrintSpread("delay of a posted message (posted every 10 ms from another thread)", probeDelays);
    std::printf("  interface thread busy: %.1f %% by GetThreadTimes, %.1f %% inside filter + dispatch\n",
                100.0 * static_cast<double>(cpu) / (10.0 * Micros(wall)), 100.0 * static_cast<double>(handling) / wall);
}
}  // namespace

int main() {
    QueryPerformanceFrequency(&frequency);
    SetNoteSink(Ignore);
    SetKeyStateQuery(NoKeysDown);
    timeBeginPeriod(1);
    window = new MainWindow;
    if (!window->CreateModeless(nullptr)) return 3;
    HWND hwnd = window->Handle();
    ShowWindow(hwnd, SW_SHOWNORMAL);
    Pump();
    RECT client;
    GetClientRect(hwnd, &client);
    if (client.right != 707 || client.bottom != 166) return 4;

    MeasureRepaint(hwnd);
    MeasureStepSounded(hwnd);
    MeasureResponsiveness(hwnd, false);
    MeasureResponsiveness(hwnd, true);

    delete window;
    timeEndPeriod(1);
    return 0;
}
