#include "playback/counter_calibration.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// How far a window may lie from the median of all windows and still count.
constexpr double kAgreement = 10e-6;
// Fewer pairs than this make no line worth trusting.
constexpr int kMinPairsPerWindow = 16;

struct Pair {
    uint64_t tsc;  // the middle of the bracket
    int64_t counter;
    uint64_t bracket;
};

Pair ReadPair(CounterReader& counters) {
    const uint64_t before = counters.ReadTsc();
    const int64_t counter = counters.ReadPerformanceCounter();
    const uint64_t after = counters.ReadTsc();
    return {before + (after - before) / 2, counter, after - before};
}

// Least squares of the performance counter against the time-stamp counter:
// the coarse one is the dependent value. Its steps still bend the slope a
// little (see the header), less the more of them a window spans.
class LineFit {
public:
    void Add(double x, double y) {
        ++n_;
        sx_ += x;
        sy_ += y;
        sxx_ += x * x;
        sxy_ += x * y;
    }
    int Count() const { return n_; }
    // Performance-counter ticks per time-stamp-counter tick; 0 when the
    // points do not span a line.
    double Slope() const {
        const double spread = n_ * sxx_ - sx_ * sx_;
        if (n_ < 2 || !(spread > 0)) return 0;
        return (n_ * sxy_ - sx_ * sy_) / spread;
    }

private:
    int n_ = 0;
    double sx_ = 0, sy_ = 0, sxx_ = 0, sxy_ = 0;
};

uint64_t BracketLimit(CounterReader& counters, int probePairs) {
    std::vector<uint64_t> brackets;
    for (int i = 0; i < std::max(probePairs, 1); ++i) brackets.push_back(ReadPair(counters).bracket);
    std::nth_element(brackets.begin(), brackets.begin() + brackets.size() / 2, brackets.end());
    return 2 * brackets[brackets.size() / 2] + 1;
}

// One window's rate in time-stamp-counter ticks per millisecond; 0 for none.
double WindowRate(CounterReader& counters, int64_t counterFrequency, int64_t windowTicks,
                  const CalibrationPlan& plan, uint64_t bracketLimit) {
    const Pair origin = ReadPair(counters);
    LineFit fit;
    int64_t span = 0;
    for (int i = 0; i < plan.maxPairsPerWindow && span < windowTicks; ++i) {
        const Pair pair = ReadPair(counters);
        span = pair.counter - origin.counter;
        if (pair.bracket > bracketLimit) continue;
        // Offsets from the window's start keep the sums well within a double's precision.
        fit.Add(static_cast<double>(static_cast<int64_t>(pair.tsc - origin.tsc)), static_cast<double>(span));
    }
    const double slope = fit.Slope();
    if (fit.Count() < kMinPairsPerWindow || !(slope > 0)) return 0;
    return static_cast<double>(counterFrequency) / 1000.0 / slope;
}

}  // namespace

int64_t MeasureTscTicksPerMs(CounterReader& counters, int64_t counterFrequency, const CalibrationPlan& plan) {
    if (counterFrequency < 1000 || plan.windowMs <= 0) return 0;
    const int64_t windowTicks = std::max(counterFrequency / 1000 * plan.windowMs, plan.windowSteps);
    if (windowTicks > counterFrequency / 1000 * plan.longestWindowMs) return 0;
    const uint64_t limit = BracketLimit(counters, plan.probePairs);

    std::vector<double> rates;
    for (int w = 0; w < plan.windows; ++w) {
        const double rate = WindowRate(counters, counterFrequency, windowTicks, plan, limit);
        if (rate > 0 && std::isfinite(rate)) rates.push_back(rate);
    }
    if (rates.empty()) return 0;
    std::sort(rates.begin(), rates.end());
    const double median = rates[rates.size() / 2];
    double sum = 0;
    int agreeing = 0;
    for (double rate : rates) {
        if (std::fabs(rate - median) <= median * kAgreement) {
            sum += rate;
            ++agreeing;
        }
    }
    return std::llround(sum / agreeing);
}
