#include "playback/playback_clock.h"

#include <cpuid.h>
#include <x86intrin.h>

#include "playback/step_timing.h"

namespace {
bool ProcessorHasTsc() {
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (d & (1u << 4));
}

// Busy-waits `ms` milliseconds on the performance counter; with `wait` false
// it makes the same calls without waiting, to measure their own cost.
void SpinOnPerformanceCounter(int ms, bool wait) {
    LARGE_INTEGER frequency, begin, now;
    if (!QueryPerformanceFrequency(&frequency)) return;
    const LONGLONG target = frequency.QuadPart / 1000 * ms;
    QueryPerformanceCounter(&begin);
    do {
        QueryPerformanceCounter(&now);
    } while (wait ? now.QuadPart - begin.QuadPart < target : now.QuadPart - begin.QuadPart == target);
}
}  // namespace

PlaybackClock::PlaybackClock() {
    tscAvailable_ = ProcessorHasTsc();
    LARGE_INTEGER frequency;
    qpcFrequency_ = QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
    ticksPerMs_ = tscAvailable_ ? CalibrateTsc() : 0;
    if (timeGetDevCaps(&caps_, sizeof caps_) != TIMERR_NOERROR) {
        caps_.wPeriodMin = 1;
        caps_.wPeriodMax = 1000000;
    }
    if (systemResolution_ < caps_.wPeriodMin) systemResolution_ = caps_.wPeriodMin;
    timeBeginPeriod(systemResolution_);
}

PlaybackClock::~PlaybackClock() {
    StopTimer();
    timeEndPeriod(systemResolution_);
}

int32_t PlaybackClock::CalibrateTsc() {
    HANDLE process = GetCurrentProcess();
    HANDLE thread = GetCurrentThread();
    const DWORD oldClass = GetPriorityClass(process);
    if (oldClass) SetPriorityClass(process, REALTIME_PRIORITY_CLASS);
    const int oldPriority = GetThreadPriority(thread);
    if (oldPriority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);

    const uint64_t t0 = __rdtsc();
    SpinOnPerformanceCounter(100, true);
    const uint64_t t1 = __rdtsc();
    const uint64_t t2 = __rdtsc();
    SpinOnPerformanceCounter(100, false);
    const uint64_t t3 = __rdtsc();

    if (oldPriority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread, oldPriority);
    if (oldClass) SetPriorityClass(process, oldClass);

    const int64_t rate = (static_cast<int64_t>(t1 - t0) - static_cast<int64_t>(t3 - t2)) / 100;
    const int64_t rounded = RoundRateToWholeMhz(rate);
    // A rate that cannot be a counter's (none measured, or beyond 32 bits)
    // leaves the time-stamp counter unused: NowMs falls back.
    return rounded > 0 && rounded <= INT32_MAX ? static_cast<int32_t>(rounded) : 0;
}

void PlaybackClock::ConfigureTimer(uint32_t periodMs, TickListener* listener) {
    period_ = periodMs < caps_.wPeriodMin ? caps_.wPeriodMin : periodMs > caps_.wPeriodMax ? caps_.wPeriodMax : periodMs;
    listener_ = listener;
}

void PlaybackClock::StartTimer() {
    StopTimer();
    timerStartTime_ = static_cast<int32_t>(NowMs());
    // TIME_KILL_SYNCHRONOUS: once timeKillEvent returns, no call begins.
    timerId_ = timeSetEvent(period_, eventResolution_, TimerProc, reinterpret_cast<DWORD_PTR>(listener_),
                            TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    timerActive_ = true;
}

void PlaybackClock::StopTimer() {
    if (timerActive_ && timerId_) timeKillEvent(timerId_);
    timerId_ = 0;
    timerActive_ = false;
}

void PlaybackClock::SetUseTsc(bool useTsc) { useTsc_.store(useTsc); }

int64_t PlaybackClock::NowMs() {
    switch (ChooseTimeSource(tscAvailable_, useTsc_.load(std::memory_order_relaxed), ticksPerMs_, qpcFrequency_)) {
    case TimeSource::TimeStampCounter:
        return static_cast<int64_t>(__rdtsc()) / ticksPerMs_;
    case TimeSource::PerformanceCounter: {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        return count.QuadPart / (qpcFrequency_ / 1000);
    }
    case TimeSource::MultimediaTime:
    default:
        return timeGetTime();
    }
}

void CALLBACK PlaybackClock::TimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    if (auto* listener = reinterpret_cast<TickListener*>(user)) listener->OnTimerTick();
}
