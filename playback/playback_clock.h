// The playback clock: a millisecond reading from the processor's time-stamp
// counter (its rate measured once, at construction, against the performance
// counter) or from the performance counter itself, and a 1 ms multimedia
// periodic timer.
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

    uint32_t Period() const { return period_; }
    uint32_t SystemResolution() const { return systemResolution_; }
    int32_t TicksPerMs() const { return ticksPerMs_; }
    bool TscAvailable() const { return tscAvailable_; }
    bool TimerActive() const { return timerActive_; }

private:
    static int32_t CalibrateTsc(int64_t counterFrequency);
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
    std::atomic<bool> useTsc_{true};
    int64_t qpcFrequency_ = 0;
};
