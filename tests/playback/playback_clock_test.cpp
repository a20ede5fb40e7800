// The real clock and multimedia timer under Wine.
#include "playback/playback_clock.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>

namespace {

struct CountingListener : TickListener {
    std::atomic<int> ticks{0};
    void OnTimerTick() override { ticks.fetch_add(1); }
};

TEST(PlaybackClock, CalibratesAndBothSourcesKeepTime) {
    PlaybackClock clock;
    if (clock.TscAvailable()) {
        EXPECT_GT(clock.TicksPerMs(), 100000) << "a processor of at least 100 MHz";
    }
    EXPECT_GE(clock.SystemResolution(), 1u);

    for (bool tsc : {true, false, true}) {
        // A switch continues the reading where it was: the stream mapped onto it never jumps.
        const double beforeSwitch = clock.NowMsExact();
        clock.SetUseTsc(tsc);
        const double afterSwitch = clock.NowMsExact();
        EXPECT_GE(afterSwitch, beforeSwitch);
        EXPECT_LT(afterSwitch - beforeSwitch, 5.0) << (tsc ? "tsc" : "qpc");
        EXPECT_NEAR(static_cast<double>(clock.NowMs()), std::floor(clock.NowMsExact()), 1.0) << "the same reading, whole";
        const int64_t before = clock.NowMs();
        const DWORD tickBefore = GetTickCount();
        Sleep(300);
        const int64_t elapsed = clock.NowMs() - before;
        const DWORD tickElapsed = GetTickCount() - tickBefore;
        EXPECT_NEAR(static_cast<double>(elapsed), static_cast<double>(tickElapsed), 25.0) << (tsc ? "tsc" : "qpc");
    }
}

TEST(PlaybackClock, PeriodicTimerTicksEveryMillisecondAndStops) {
    PlaybackClock clock;
    CountingListener listener;
    clock.ConfigureTimer(1, &listener);
    EXPECT_EQ(clock.Period(), 1u);
    clock.StartTimer();
    EXPECT_TRUE(clock.TimerActive());
    Sleep(500);
    clock.StopTimer();
    EXPECT_FALSE(clock.TimerActive());
    const int ticks = listener.ticks.load();
    EXPECT_GT(ticks, 300) << "about one call a millisecond";
    EXPECT_LT(ticks, 700);
    Sleep(100);
    EXPECT_EQ(listener.ticks.load(), ticks) << "no call after the stop";

    clock.StartTimer();
    clock.StartTimer();  // a restart never leaves two timers running
    Sleep(200);
    clock.StopTimer();
    const int restarted = listener.ticks.load() - ticks;
    EXPECT_LT(restarted, 300);
}

}  // namespace
