// The rate of the processor's time-stamp counter, measured against the
// performance counter, whose rate the system states.
//
// Both counters are read side by side many thousand times over a few short
// windows. Each reading of the performance counter is bracketed by two reads
// of the time-stamp counter; a pair whose bracket is wide (the thread was
// interrupted between the reads) is dropped. A straight line fitted through
// the pairs of one window gives that window's rate; the windows' median, and
// the mean of the windows that agree with it, give the result. One scheduling
// delay thus costs at most a pair or a window, never the rate, and the
// performance counter's coarse steps (100 ns under Wine) average out over the
// thousands of pairs of a window.
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
    int64_t windowMs = 4;  // performance-counter time per window
    int probePairs = 64;   // pairs read first to learn how wide a bracket normally is
    // A window ends after this many pairs even if the performance counter
    // has not moved on by windowMs (a counter that stands still).
    int maxPairsPerWindow = 2000000;
};

// Time-stamp-counter ticks per millisecond, rounded to the nearest tick; 0
// when no rate can be measured (no performance counter, a frequency below
// 1000 per second, or counters that do not move in any window).
int64_t MeasureTscTicksPerMs(CounterReader& counters, int64_t counterFrequency, const CalibrationPlan& plan = {});
