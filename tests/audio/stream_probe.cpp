// Plays clicks through the streaming output for the stream timing benchmark
// (tools/bench/stream_timing.py) and reports how the stream held:
//
//   stream_probe dsound|wasapi SECONDS [INTERVAL_FRAMES [LEAD_MS [WAKE_MS [BUFFER_MS]]]]
//
// WAKE_MS: how often the DirectSound mix thread looks at the cursor;
// BUFFER_MS: the WASAPI stream buffer asked for.
//
// A 1 ms burst on the left channel at every stream frame k x INTERVAL_FRAMES
// (k >= 1; 5250 by default, a sixteenth at 126 BPM), its height telling k
// modulo 8 (0.30 + 0.05 x (k mod 8)) so that a recording can number the
// clicks across its holes, and a faint constant level between the bursts, so
// that a recording shows where the stream fell silent. Times are the performance counter in ms. Prints how the device was
// opened, "START <ms>" once it plays and "STOPPING" before it stops, then the
// underruns, when each click was rendered and statistics of the position
// readings: how finely and how evenly the played frames advance against the
// clock.
#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "audio/stream_output.h"

namespace {
constexpr int kClickFrames = 44;  // 1 ms
constexpr float kFloorLevel = 0.002f;

float ClickLevel(int64_t click) { return 0.30f + 0.05f * static_cast<float>(click % 8); }

double CounterMs() {
    return 1000.0 * static_cast<double>(CounterNow()) / static_cast<double>(CounterFrequency());
}

class ClickSource : public StreamSource {
public:
    struct Call {
        double atMs;  // when Render was called
        StreamClockReading reading;
        int64_t firstFrame;
    };

    ClickSource(int64_t interval, double seconds)
        : interval_(interval),
          calls_(static_cast<size_t>((seconds + 10) * 2000)),
          clicks_(static_cast<size_t>(seconds * kStreamRate / static_cast<double>(interval)) + 10, 0.0) {}

    void Render(float* out, size_t frames, int64_t firstFrame, const StreamClockReading& reading) override {
        const double now = CounterMs();
        if (callCount_ < calls_.size()) calls_[callCount_++] = {now, reading, firstFrame};
        for (size_t i = 0; i < frames; ++i) {
            const int64_t frame = firstFrame + static_cast<int64_t>(i);
            const int64_t click = frame / interval_;
            const bool inClick = click >= 1 && frame - click * interval_ < kClickFrames;
            out[2 * i] = inClick ? ClickLevel(click) : kFloorLevel;
            out[2 * i + 1] = 0.0f;
            if (inClick && frame == click * interval_ && static_cast<size_t>(click) < clicks_.size())
                clicks_[click] = now;
        }
    }

    const Call* Calls() const { return calls_.data(); }
    size_t CallCount() const { return callCount_; }
    const std::vector<double>& Clicks() const { return clicks_; }

private:
    int64_t interval_;
    std::vector<Call> calls_;
    size_t callCount_ = 0;
    std::vector<double> clicks_;  // when the block holding each click's first frame was rendered
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    return values[static_cast<size_t>(p * static_cast<double>(values.size() - 1))];
}

// The distinct readings the source was given from one second after the start
// on (Wine's streams settle in the first second).
std::vector<ClickSource::Call> SettledReadings(const ClickSource& source, double startMs) {
    std::vector<ClickSource::Call> wakes;
    for (size_t i = 0; i < source.CallCount(); ++i) {
        const ClickSource::Call& call = source.Calls()[i];
        if (!call.reading.valid || call.atMs < startMs + 1000.0) continue;
        if (!wakes.empty() && wakes.back().reading.clockMs == call.reading.clockMs) continue;
        wakes.push_back(call);
    }
    return wakes;
}

// How far the played frames are behind the clock, in ms.
double Behind(const StreamClockReading& reading) {
    return reading.clockMs - static_cast<double>(reading.playedFrames) * 1000.0 / kStreamRate;
}

// How far the played frames fell behind the clock in the first second.
void PrintFirstSecond(const ClickSource& source, double startMs) {
    const StreamClockReading* first = nullptr;
    const StreamClockReading* last = nullptr;
    for (size_t i = 0; i < source.CallCount(); ++i) {
        const ClickSource::Call& call = source.Calls()[i];
        if (!call.reading.valid || call.atMs >= startMs + 1000.0) continue;
        if (!first) first = &call.reading;
        last = &call.reading;
    }
    if (first) std::printf("FIRST_SECOND the played frames fell behind the clock by %.1f ms\n", Behind(*last) - Behind(*first));
}

// When the readings say each click's first frame played: interpolated
// between the two readings around it. Printed with when it was rendered.
void PrintClicks(const ClickSource& source, int64_t interval) {
    std::vector<StreamClockReading> readings;
    for (size_t i = 0; i < source.CallCount(); ++i)
        if (source.Calls()[i].reading.valid) readings.push_back(source.Calls()[i].reading);
    size_t r = 1;
    const std::vector<double>& clicks = source.Clicks();
    for (size_t k = 1; k < clicks.size(); ++k) {
        if (clicks[k] <= 0) continue;
        const int64_t frame = static_cast<int64_t>(k) * interval;
        while (r < readings.size() && readings[r].playedFrames < frame) ++r;
        double played = 0;
        if (r < readings.size() && readings[r - 1].playedFrames < frame) {
            const StreamClockReading &a = readings[r - 1], &b = readings[r];
            played = a.clockMs + (b.clockMs - a.clockMs) * static_cast<double>(frame - a.playedFrames) /
                                     static_cast<double>(b.playedFrames - a.playedFrames);
        }
        std::printf("CLICK %zu %.3f %.3f\n", k, clicks[k], played);
    }
}

// How finely and how evenly the played frames advance against the clock.
// A stall of Wine's mixer sets the stream back against the clock for good:
// a jump. Between jumps, a line through each stretch (one slope for all)
// gives the drift, and the readings' scatter about it the jitter.
void PrintReadings(const std::vector<ClickSource::Call>& wakes) {
    constexpr double kJumpMs = 8.0;
    if (wakes.size() < 3) {
        std::printf("READINGS %zu\n", wakes.size());
        return;
    }
    std::vector<double> steps, gaps, ahead, jumps;
    std::vector<size_t> stretchStarts = {0};
    size_t unchanged = 0;
    for (size_t i = 1; i < wakes.size(); ++i) {
        const int64_t step = wakes[i].reading.playedFrames - wakes[i - 1].reading.playedFrames;
        if (step == 0) ++unchanged;
        else steps.push_back(static_cast<double>(step));
        gaps.push_back(wakes[i].atMs - wakes[i - 1].atMs);
        const double moved = Behind(wakes[i].reading) - Behind(wakes[i - 1].reading);
        if (std::fabs(moved) > kJumpMs) {
            jumps.push_back(moved);
            stretchStarts.push_back(i);
        }
    }
    for (const auto& wake : wakes)
        ahead.push_back(static_cast<double>(wake.firstFrame - wake.reading.playedFrames) * 1000.0 / kStreamRate);
    stretchStarts.push_back(wakes.size());

    // One slope of played frames against the clock through all stretches, each with its own offset.
    double sxx = 0, sxy = 0;
    std::vector<double> residuals;
    std::vector<std::pair<double, double>> means;
    for (size_t s = 0; s + 1 < stretchStarts.size(); ++s) {
        double mx = 0, my = 0;
        const double n = static_cast<double>(stretchStarts[s + 1] - stretchStarts[s]);
        for (size_t i = stretchStarts[s]; i < stretchStarts[s + 1]; ++i)
            mx += wakes[i].reading.clockMs / n, my += static_cast<double>(wakes[i].reading.playedFrames) / n;
        means.push_back({mx, my});
        for (size_t i = stretchStarts[s]; i < stretchStarts[s + 1]; ++i) {
            const double x = wakes[i].reading.clockMs - mx, y = static_cast<double>(wakes[i].reading.playedFrames) - my;
            sxx += x * x;
            sxy += x * y;
        }
    }
    const double slope = sxy / sxx;  // frames per ms
    for (size_t s = 0; s + 1 < stretchStarts.size(); ++s)
        for (size_t i = stretchStarts[s]; i < stretchStarts[s + 1]; ++i)
            residuals.push_back(std::fabs((static_cast<double>(wakes[i].reading.playedFrames) - means[s].second -
                                           slope * (wakes[i].reading.clockMs - means[s].first)) / slope));
    double square = 0;
    for (double residual : residuals) square += residual * residual;
    double jumped = 0;
    for (double jump : jumps) jumped += jump;

    std::printf("READINGS %zu from 1 s after the start, over %.1f s; position unchanged at %.1f %% of them\n",
                wakes.size(), (wakes.back().reading.clockMs - wakes.front().reading.clockMs) / 1000.0,
                100.0 * static_cast<double>(unchanged) / static_cast<double>(wakes.size() - 1));
    std::printf("POSITION_STEP frames median %.0f min %.0f max %.0f\n", Percentile(steps, 0.5), Percentile(steps, 0.0),
                Percentile(steps, 1.0));
    std::printf("JUMPS %zu set the stream back by %.1f ms in all, the largest %.1f ms\n", jumps.size(), jumped,
                jumps.empty() ? 0.0 : *std::max_element(jumps.begin(), jumps.end()));
    std::printf("BETWEEN_JUMPS drift_ppm %+.1f residual_sd_ms %.3f residual_p99_ms %.3f residual_max_ms %.3f\n",
                (slope * 1000.0 / kStreamRate - 1.0) * 1e6, std::sqrt(square / static_cast<double>(residuals.size())),
                Percentile(residuals, 0.99), Percentile(residuals, 1.0));
    std::printf("WAKE_GAP_MS p50 %.3f p99 %.3f max %.3f\n", Percentile(gaps, 0.5), Percentile(gaps, 0.99),
                Percentile(gaps, 1.0));
    std::printf("WRITTEN_AHEAD_OF_PLAYED_MS min %.3f p50 %.3f max %.3f\n", Percentile(ahead, 0.0),
                Percentile(ahead, 0.5), Percentile(ahead, 1.0));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "dsound") != 0 && std::strcmp(argv[1], "wasapi") != 0)) {
        std::fprintf(stderr, "usage: stream_probe dsound|wasapi SECONDS [INTERVAL_FRAMES [LEAD_MS [WAKE_MS [BUFFER_MS]]]]\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const int64_t interval = argc > 3 ? std::atoll(argv[3]) : 5250;
    StreamOutput::Options options;
    options.backend = std::strcmp(argv[1], "dsound") == 0 ? StreamOutput::Backend::kDirectSound
                                                          : StreamOutput::Backend::kWasapi;
    if (argc > 4) options.leadMs = std::atof(argv[4]);
    if (argc > 5) options.wakeIntervalMs = static_cast<DWORD>(std::atoi(argv[5]));
    if (argc > 6) options.bufferMs = static_cast<DWORD>(std::atoi(argv[6]));
    options.clockMs = CounterMs;
    if (seconds <= 0 || interval <= kClickFrames || options.leadMs <= 0) {
        std::fprintf(stderr, "stream_probe: seconds, interval and lead must be positive\n");
        return 2;
    }
    std::printf("COUNTER_MS %.3f\n", CounterMs());
    std::fflush(stdout);

    ClickSource source(interval, seconds);
    StreamOutput output;
    if (!output.Start(options, &source)) {
        std::printf("ERROR %s\n", output.Error().c_str());
        return 3;
    }
    const double startMs = CounterMs();
    std::printf("DEVICE %s\n", output.Description().c_str());
    std::printf("LEAD frames %lld ms %.2f\n", static_cast<long long>(output.LeadFrames()),
                1000.0 * static_cast<double>(output.LeadFrames()) / kStreamRate);
    std::printf("START %.3f\n", startMs);
    std::fflush(stdout);
    Sleep(static_cast<DWORD>(seconds * 1000));
    std::printf("STOPPING\n");
    std::fflush(stdout);
    const uint32_t underruns = output.Underruns();
    const int32_t margin = output.LeastMarginFrames();
    const uint32_t errors = output.DeviceErrors();
    output.Stop();

    std::printf("UNDERRUNS %u\n", underruns);
    std::printf("DEVICE_ERRORS %u\n", errors);
    std::printf("LEAST_MARGIN_MS %.3f\n", 1000.0 * margin / kStreamRate);
    PrintClicks(source, interval);
    PrintFirstSecond(source, startMs);
    PrintReadings(SettledReadings(source, startMs));
    return 0;
}
