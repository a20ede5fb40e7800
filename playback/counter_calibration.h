// The rate of the processor's time-stamp counter, measured against the
// performance counter, whose rate the system states.
//
// Both counters are read side by side many thousand times over a few short
// windows. Each reading of the performance counter is bracketed by two reads
// of the time-stamp counter; a pair whose bracket is wide (the thread was
// interrupted between the reads) is dropped. A straight line fitted through
// the pairs of one window gives that window's rate; the windows' median, and
// the mean of the windows that agree with it, give the result. One scheduling
// delay thus costs at most a pair or a window, never the rate.
//
// The performance counter's steps do not average out: a line through a
// staircase of n steps has a slope up to about 1.6 / n² off, mostly the same
// way in every window, which the median keeps (6.7 % at 1 kHz, 0.06 % at
// 10 kHz in 4 ms windows). So a window spans a number of steps, not only a
// time: 40,000 steps leave well under 1 ppm, and are 4 ms at the 10 MHz of
// Wine and of current Windows. A counter so coarse that its windows would
// take more than 40 ms (below 1 MHz) gives no rate; the performance counter
// itself then serves.
#pragma once

#include <cstdint>

class CounterReader {
public:
    virtual ~CounterReader() = default;
    virtual uint64_t ReadTsc() = 0;
    virtual int64_t ReadPerformanceCounter() = 0;
};

struct CalibrationPlan {
    int windows = 5;
    // A window lasts the longer of these two in performance-counter time.
    int64_t windowMs = 4;
    int64_t windowSteps = 40000;
    // The longest window worth waiting for: a coarser counter gives no rate.
    int64_t longestWindowMs = 40;
    int probePairs = 64;  // pairs read first to learn how wide a bracket normally is
    // A window ends after this many pairs even if the performance counter
    // has not moved on by windowMs (a counter that stands still).
    int maxPairsPerWindow = 2000000;
};

// Time-stamp-counter ticks per millisecond, rounded to the nearest tick; 0
// when no rate can be measured to 1 ppm (no performance counter, one too
// coarse for the longest window, or counters that do not move in any window).
int64_t MeasureTscTicksPerMs(CounterReader& counters, int64_t counterFrequency, const CalibrationPlan& plan = {});
