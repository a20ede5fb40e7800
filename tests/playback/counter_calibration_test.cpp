// The time-stamp counter's rate measured against a simulated pair of counters
// whose true rates are known: reads that cost time, a performance counter
// that moves in coarse steps, and a thread that is interrupted now and then.
#include "playback/counter_calibration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

class SimulatedCounters : public CounterReader {
public:
    SimulatedCounters(double tscTicksPerMs, int64_t counterFrequency, double readCostNs)
        : tscPerNs_(tscTicksPerMs / 1e6), frequency_(counterFrequency), readCostNs_(readCostNs) {}

    uint64_t ReadTsc() override {
        Advance();
        if (tscFrozen) return 123456789;
        return static_cast<uint64_t>(tscOrigin_ + nowNs_ * tscPerNs_);
    }
    int64_t ReadPerformanceCounter() override {
        Advance();
        if (counterFrozen) return 42;
        return static_cast<int64_t>(std::floor(nowNs_ * static_cast<double>(frequency_) / 1e9));
    }

    double ElapsedMs() const { return (nowNs_ - startNs_) / 1e6; }

    // Every `every`-th read, the thread loses the processor for `ms`.
    int64_t stallEvery = 0;
    double stallMs = 0;
    bool tscFrozen = false;
    bool counterFrozen = false;

private:
    void Advance() {
        // Reads cost between 0.5 and 1.5 times the given cost.
        seed_ = seed_ * 6364136223846793005ull + 1442695040888963407ull;
        nowNs_ += readCostNs_ * (0.5 + static_cast<double>(seed_ >> 11) / 9007199254740992.0);
        if (stallEvery && ++reads_ % stallEvery == 0) nowNs_ += stallMs * 1e6;
    }

    double tscPerNs_;
    int64_t frequency_;
    double readCostNs_;
    double startNs_ = 86400e9 * 3;  // three days of uptime: large counter values
    double nowNs_ = startNs_;
    double tscOrigin_ = 7.5e12;
    uint64_t seed_ = 12345;
    int64_t reads_ = 0;
};

TEST(CounterCalibration, RateIsTrueToOnePpmDespiteCoarseCountersAndInterruptions) {
    struct Case {
        const char* what;
        double tscTicksPerMs;
        int64_t frequency;
        double readCostNs;
        int64_t stallEvery;
        double stallMs;
        double tolerancePpm;
    };
    const Case cases[] = {
        // Wine: a 10 MHz performance counter read in about 90 ns.
        {"10 MHz counter, quiet", 2095992.37, 10000000, 45, 0, 0, 1},
        {"10 MHz counter, interrupted", 2095992.37, 10000000, 45, 7919, 3, 1},
        {"10 MHz counter, long stalls", 3400123.6, 10000000, 45, 25013, 40, 1},
        // The old timer chips: 3.58 MHz and a microsecond a read; 1.19 MHz,
        // whose 40,000 steps take the longest windows that give a rate.
        {"ACPI timer, interrupted", 2893611.5, 3579545, 700, 997, 2, 1},
        {"PIT, interrupted", 2893611.5, 1193182, 1500, 997, 2, 1},
        // A counter that runs at the processor's own rate.
        {"counter at the processor's rate", 2095992.37, 2095992370, 15, 3001, 1, 1},
    };
    for (const Case& c : cases) {
        SimulatedCounters counters(c.tscTicksPerMs, c.frequency, c.readCostNs);
        counters.stallEvery = c.stallEvery;
        counters.stallMs = c.stallMs;
        const int64_t rate = MeasureTscTicksPerMs(counters, c.frequency);
        const double errorPpm = (static_cast<double>(rate) - c.tscTicksPerMs) / c.tscTicksPerMs * 1e6;
        EXPECT_LE(std::fabs(errorPpm), c.tolerancePpm) << c.what << ": " << rate;
        // What start-up waits for, stalls included: five windows of 4 ms or
        // 40,000 counter steps, whichever is longer.
        const double windowMs = std::max(4.0, 40000.0 * 1000 / c.frequency);
        EXPECT_LT(counters.ElapsedMs(), 6 * (windowMs + c.stallMs)) << c.what;
    }
}

TEST(CounterCalibration, NoRateWithoutCountersThatMoveFinelyEnough) {
    SimulatedCounters counters(2095992.37, 10000000, 45);
    EXPECT_EQ(MeasureTscTicksPerMs(counters, 0), 0) << "no performance counter";
    // A line through the steps of a coarse counter is off the same way in
    // every window: 6.7 % at 1 kHz, 0.06 % at 10 kHz in windows of 4 ms.
    for (int64_t frequency : {999, 1000, 10000, 999999}) {
        SimulatedCounters coarse(2095992.37, frequency, 45);
        EXPECT_EQ(MeasureTscTicksPerMs(coarse, frequency), 0) << frequency << " Hz";
    }

    CalibrationPlan quick;
    quick.maxPairsPerWindow = 5000;
    counters.counterFrozen = true;
    EXPECT_EQ(MeasureTscTicksPerMs(counters, 10000000, quick), 0) << "a performance counter standing still";
    counters.counterFrozen = false;
    counters.tscFrozen = true;
    EXPECT_EQ(MeasureTscTicksPerMs(counters, 10000000, quick), 0) << "a time-stamp counter standing still";
}

}  // namespace
