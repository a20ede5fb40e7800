// One continuous output stream of 44.1 kHz 16-bit stereo, kept filled a
// constant lead ahead of what the device has taken by a mix thread of its own
// (time-critical, like the timer thread), which asks a StreamSource for the
// frames. The device is a looping DirectSound secondary buffer or a
// shared-mode, event-driven WASAPI stream.
//
// Threads: Start, Stop and the counters run on the interface thread. The
// source and the clock are called on the mix thread only, which opens the
// device, fills the first lead, and from then on allocates nothing, takes no
// lock and does no I/O.
#pragma once
#include <windows.h>
#include <dsound.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "audio/stream_backend.h"
#include "audio/stream_fill.h"
#include "audio/stream_source.h"

class StreamOutput {
public:
    // WASAPI plays sooner (under Wine 21-30 ms from rendering to hearing at
    // the default lead, against 52-81 ms through Wine's DirectSound);
    // DirectSound is for systems without WASAPI.
    enum class Backend { kDirectSound, kWasapi };

    struct Options {
        Backend backend = Backend::kWasapi;
        // How far the written frames reach beyond what the device has taken
        // after each wake: two of the shared engine's 10 ms periods, so a mix
        // thread that wakes a little late still finds frames queued. Longer
        // leads did not help against Wine's longer stalls (docs/benchmarks.md).
        double leadMs = 20.0;
        // The playback clock in fractional ms for the readings; the
        // performance counter when empty. Called on the mix thread.
        std::function<double()> clockMs;
        // DirectSound: the device to play on (null opens the default one with
        // `window`, or the desktop, for its cooperative level) and how often
        // the mix thread looks at the play cursor.
        IDirectSound* device = nullptr;
        HWND window = nullptr;
        DWORD wakeIntervalMs = 2;
        // WASAPI: the stream buffer asked for.
        DWORD bufferMs = 100;
    };

    StreamOutput() = default;
    ~StreamOutput() { Stop(); }
    StreamOutput(const StreamOutput&) = delete;
    StreamOutput& operator=(const StreamOutput&) = delete;

    // Opens the device, fills the first lead and starts playing. False, with
    // Error() saying why, when the device cannot be opened.
    bool Start(const Options& options, StreamSource* source);
    // Stops playing, ends the mix thread and releases the device.
    void Stop();
    bool Running() const { return thread_ != nullptr; }

    int64_t LeadFrames() const { return leadFrames_; }
    // Wakes at which the device had taken frames we had not written, or
    // reported running dry.
    uint32_t Underruns() const { return underruns_.load(std::memory_order_relaxed); }
    // Samples beyond full scale, clipped.
    uint32_t ClippedSamples() const { return clipped_.load(std::memory_order_relaxed); }
    // Calls into the device that failed while playing.
    uint32_t DeviceErrors() const { return deviceErrors_.load(std::memory_order_relaxed); }
    // The fewest frames written beyond what the device had taken, at any wake
    // since Start: how close the stream came to running dry.
    int32_t LeastMarginFrames() const { return leastMargin_.load(std::memory_order_relaxed); }
    const std::string& Error() const { return error_; }
    // How the device was opened (formats, periods, buffer sizes).
    const std::string& Description() const { return description_; }

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();
    // Renders and writes the next `frames` frames; false when the device refused.
    bool Fill(size_t frames, const StreamClockReading& reading);
    void Publish();
    double ClockMs() const;

    Options options_;
    StreamSource* source_ = nullptr;
    std::unique_ptr<StreamBackend> backend_;
    std::vector<float> block_;
    int64_t leadFrames_ = 0;
    StreamFill fill_{0, 0};
    uint64_t clippedTotal_ = 0;
    int32_t leastMarginSeen_ = 0;
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    HANDLE ready_ = nullptr;
    bool opened_ = false;
    bool periodBegun_ = false;
    std::atomic<uint32_t> underruns_{0};
    std::atomic<uint32_t> clipped_{0};
    std::atomic<uint32_t> deviceErrors_{0};
    std::atomic<int32_t> leastMargin_{0};
    std::string error_;
    std::string description_;
};
