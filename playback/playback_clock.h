// The playback clock: a millisecond reading from the processor's time-stamp
// counter (its rate measured once, at construction, against the performance
// counter) or from the performance counter itself, and a 1 ms multimedia
// periodic timer. Switching the source continues the reading where it was,
// so a timeline that other threads map onto a stream never jumps.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "playback/transport_ports.h"

class PlaybackClock : public SequencerClock {
public:
    PlaybackClock();
    ~PlaybackClock() override;
    PlaybackClock(const PlaybackClock&) = delete;
    PlaybackClock& operator=(const PlaybackClock&) = delete;

    void ConfigureTimer(uint32_t periodMs, TickListener* listener) override;
    void StartTimer() override;
    void StopTimer() override;
    void SetUseTsc(bool useTsc) override;
    int64_t NowMs() override;
    double NowMsExact() override;

    uint32_t Period() const { return period_; }
    uint32_t SystemResolution() const { return systemResolution_; }
    int32_t TicksPerMs() const { return ticksPerMs_; }
    bool TscAvailable() const { return tscAvailable_; }
    bool TimerActive() const { return timerActive_; }

private:
    static int32_t CalibrateTsc(int64_t counterFrequency);
    // The source's own reading, in ms from its own origin.
    double RawMs(bool tsc) const;
    static void CALLBACK TimerProc(UINT id, UINT message, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    int32_t timerStartTime_ = 0;
    UINT timerId_ = 0;
    uint32_t systemResolution_ = 1;
    int32_t ticksPerMs_ = 0;
    TickListener* listener_ = nullptr;
    uint32_t eventResolution_ = 2;
    bool timerActive_ = false;
    TIMECAPS caps_ = {};
    uint32_t period_ = 1;
    bool tscAvailable_ = false;
    // The source in use and what is added to its reading, in one word so that
    // every thread reads both together: nanoseconds shifted up by one, the
    // lowest bit set for the time-stamp counter.
    std::atomic<int64_t> source_{1};
    int64_t qpcFrequency_ = 0;
};
