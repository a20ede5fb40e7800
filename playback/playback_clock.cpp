#include "playback/playback_clock.h"

#include <cpuid.h>
#include <x86intrin.h>

#include <cmath>

#include "playback/counter_calibration.h"
#include "playback/step_timing.h"

namespace {
bool ProcessorHasTsc() {
    unsigned a, b, c, d;
    return __get_cpuid(1, &a, &b, &c, &d) && (d & (1u << 4));
}

class ProcessorCounters : public CounterReader {
public:
    uint64_t ReadTsc() override { return __rdtsc(); }
    int64_t ReadPerformanceCounter() override {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        return count.QuadPart;
    }
};
}  // namespace

PlaybackClock::PlaybackClock() {
    tscAvailable_ = ProcessorHasTsc();
    LARGE_INTEGER frequency;
    qpcFrequency_ = QueryPerformanceFrequency(&frequency) ? frequency.QuadPart : 0;
    ticksPerMs_ = tscAvailable_ ? CalibrateTsc(qpcFrequency_) : 0;
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

int32_t PlaybackClock::CalibrateTsc(int64_t counterFrequency) {
    HANDLE process = GetCurrentProcess();
    HANDLE thread = GetCurrentThread();
    const DWORD oldClass = GetPriorityClass(process);
    if (oldClass) SetPriorityClass(process, REALTIME_PRIORITY_CLASS);
    const int oldPriority = GetThreadPriority(thread);
    if (oldPriority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);

    ProcessorCounters counters;
    const int64_t rate = MeasureTscTicksPerMs(counters, counterFrequency);

    if (oldPriority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread, oldPriority);
    if (oldClass) SetPriorityClass(process, oldClass);
    // A rate that cannot be a counter's (none measured, or beyond 32 bits)
    // leaves the time-stamp counter unused: NowMs falls back.
    return rate > 0 && rate <= INT32_MAX ? static_cast<int32_t>(rate) : 0;
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

void PlaybackClock::SetUseTsc(bool useTsc) {
    const int64_t source = source_.load(std::memory_order_relaxed);
    const bool wasTsc = (source & 1) != 0;
    const double now = RawMs(wasTsc) + static_cast<double>(source >> 1) * 1e-6;
    const int64_t offsetNs = std::llround((now - RawMs(useTsc)) * 1e6);
    source_.store(offsetNs * 2 + (useTsc ? 1 : 0), std::memory_order_relaxed);
}

double PlaybackClock::RawMs(bool tsc) const {
    switch (ChooseTimeSource(tscAvailable_, tsc, ticksPerMs_, qpcFrequency_)) {
    case TimeSource::TimeStampCounter:
        return static_cast<double>(__rdtsc()) / ticksPerMs_;
    case TimeSource::PerformanceCounter: {
        LARGE_INTEGER count;
        QueryPerformanceCounter(&count);
        return static_cast<double>(count.QuadPart) / static_cast<double>(qpcFrequency_ / 1000);
    }
    case TimeSource::MultimediaTime:
    default:
        return timeGetTime();
    }
}

double PlaybackClock::NowMsExact() {
    const int64_t source = source_.load(std::memory_order_relaxed);
    return RawMs((source & 1) != 0) + static_cast<double>(source >> 1) * 1e-6;
}

int64_t PlaybackClock::NowMs() { return static_cast<int64_t>(std::floor(NowMsExact())); }

void CALLBACK PlaybackClock::TimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    if (auto* listener = reinterpret_cast<TickListener*>(user)) listener->OnTimerTick();
}
