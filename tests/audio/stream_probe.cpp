// Plays clicks through the streaming output for the stream timing benchmark
// (tools/bench/stream_timing.py) and reports how the stream held:
//
//   stream_probe dsound|wasapi SECONDS [INTERVAL_FRAMES [LEAD_MS [WAKE_MS]]]
//
// A 1 ms burst on the left channel at every stream frame k x INTERVAL_FRAMES
// (k >= 1; 5250 by default, a sixteenth at 126 BPM) and a faint constant
// level between them, so that a recording shows where the stream fell
// silent. Times are the performance counter in ms. Prints how the device was
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
constexpr float kClickLevel = 0.5f;
constexpr float kFloorLevel = 0.002f;

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
            out[2 * i] = inClick ? kClickLevel : kFloorLevel;
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

// Statistics of the distinct readings the source was given, printed as lines.
void PrintReadings(const ClickSource& source, double startMs) {
    std::vector<ClickSource::Call> wakes;
    for (size_t i = 0; i < source.CallCount(); ++i) {
        const ClickSource::Call& call = source.Calls()[i];
        if (!call.reading.valid || call.atMs < startMs) continue;
        if (!wakes.empty() && wakes.back().reading.clockMs == call.reading.clockMs) continue;
        wakes.push_back(call);
    }
    if (wakes.size() < 3) {
        std::printf("READINGS %zu\n", wakes.size());
        return;
    }
    std::vector<double> steps, gaps, ahead;
    size_t unchanged = 0;
    for (size_t i = 1; i < wakes.size(); ++i) {
        const int64_t step = wakes[i].reading.playedFrames - wakes[i - 1].reading.playedFrames;
        if (step == 0) ++unchanged;
        else steps.push_back(static_cast<double>(step));
        gaps.push_back(wakes[i].atMs - wakes[i - 1].atMs);
    }
    for (const auto& wake : wakes)
        ahead.push_back(static_cast<double>(wake.firstFrame - wake.reading.playedFrames) * 1000.0 / kStreamRate);

    // Played frames against the clock: a straight line, and how far the readings stray from it.
    const double n = static_cast<double>(wakes.size());
    double mx = 0, my = 0;
    for (const auto& wake : wakes) mx += wake.reading.clockMs / n, my += static_cast<double>(wake.reading.playedFrames) / n;
    double sxx = 0, sxy = 0;
    for (const auto& wake : wakes) {
        const double x = wake.reading.clockMs - mx, y = static_cast<double>(wake.reading.playedFrames) - my;
        sxx += x * x;
        sxy += x * y;
    }
    const double slope = sxy / sxx;  // frames per ms
    // Residuals in ms; "fresh" ones are the readings where the position had just moved.
    double all = 0, worst = 0, fresh = 0;
    size_t freshCount = 0;
    for (size_t i = 0; i < wakes.size(); ++i) {
        const double x = wakes[i].reading.clockMs - mx;
        const double residual = (static_cast<double>(wakes[i].reading.playedFrames) - my - slope * x) / slope;
        all += residual * residual;
        worst = std::max(worst, std::fabs(residual));
        if (i > 0 && wakes[i].reading.playedFrames != wakes[i - 1].reading.playedFrames) {
            fresh += residual * residual;
            ++freshCount;
        }
    }
    std::printf("READINGS %zu over %.1f s, position unchanged at %.1f %% of them\n", wakes.size(),
                (wakes.back().reading.clockMs - wakes.front().reading.clockMs) / 1000.0,
                100.0 * static_cast<double>(unchanged) / (n - 1));
    std::printf("POSITION_STEP frames median %.0f min %.0f max %.0f\n", Percentile(steps, 0.5), Percentile(steps, 0.0),
                Percentile(steps, 1.0));
    std::printf("FIT drift_ppm %+.2f residual_sd_ms %.4f residual_max_ms %.4f fresh_sd_ms %.4f\n",
                (slope * 1000.0 / kStreamRate - 1.0) * 1e6, std::sqrt(all / n), worst,
                freshCount ? std::sqrt(fresh / static_cast<double>(freshCount)) : 0.0);
    std::printf("LINE %.6f %.3f %.9f\n", mx, my, slope);
    std::printf("WAKE_GAP_MS p50 %.3f p99 %.3f max %.3f\n", Percentile(gaps, 0.5), Percentile(gaps, 0.99),
                Percentile(gaps, 1.0));
    std::printf("WRITTEN_AHEAD_OF_PLAYED_MS min %.3f p50 %.3f max %.3f\n", Percentile(ahead, 0.0),
                Percentile(ahead, 0.5), Percentile(ahead, 1.0));
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || (std::strcmp(argv[1], "dsound") != 0 && std::strcmp(argv[1], "wasapi") != 0)) {
        std::fprintf(stderr, "usage: stream_probe dsound|wasapi SECONDS [INTERVAL_FRAMES [LEAD_MS [WAKE_MS]]]\n");
        return 2;
    }
    const double seconds = std::atof(argv[2]);
    const int64_t interval = argc > 3 ? std::atoll(argv[3]) : 5250;
    StreamOutput::Options options;
    options.backend = std::strcmp(argv[1], "dsound") == 0 ? StreamOutput::Backend::kDirectSound
                                                          : StreamOutput::Backend::kWasapi;
    if (argc > 4) options.leadMs = std::atof(argv[4]);
    if (argc > 5) options.wakeIntervalMs = static_cast<DWORD>(std::atoi(argv[5]));
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
    std::printf("CLICKS interval %lld\n", static_cast<long long>(interval));
    const std::vector<double>& clicks = source.Clicks();
    for (size_t k = 1; k < clicks.size(); ++k)
        if (clicks[k] > 0) std::printf("CLICK %zu %.3f\n", k, clicks[k]);
    PrintReadings(source, startMs);
    return 0;
}
