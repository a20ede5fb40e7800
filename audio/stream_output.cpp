#include "audio/stream_output.h"

#include <mmsystem.h>

#include <cmath>

#include "audio/directsound_stream.h"
#include "audio/wasapi_stream.h"

namespace {
// Frames rendered per call into the source at most.
constexpr size_t kBlockFrames = 4096;
}  // namespace

int64_t CounterNow() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

int64_t CounterFrequency() {
    static const int64_t frequency = [] {
        LARGE_INTEGER value;
        return QueryPerformanceFrequency(&value) ? value.QuadPart : 1;
    }();
    return frequency;
}

bool StreamOutput::Start(const Options& options, StreamSource* source) {
    Stop();
    options_ = options;
    source_ = source;
    error_.clear();
    description_.clear();
    leadFrames_ = static_cast<int64_t>(std::lround(options.leadMs * kStreamRate / 1000.0));
    if (options.backend == Backend::kDirectSound)
        backend_.reset(new DirectSoundStream(options.device, options.window, options.wakeIntervalMs));
    else
        backend_.reset(new WasapiStream(options.bufferMs));
    block_.assign(2 * kBlockFrames, 0.0f);
    underruns_ = 0;
    clipped_ = 0;
    deviceErrors_ = 0;
    clippedTotal_ = 0;
    leastMarginSeen_ = INT32_MAX;
    leastMargin_ = INT32_MAX;
    opened_ = false;
    CounterFrequency();  // read once here, not first on the mix thread
    // Waits of a millisecond mean a millisecond.
    periodBegun_ = timeBeginPeriod(1) == TIMERR_NOERROR;

    stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_ && ready_) thread_ = CreateThread(nullptr, 0, ThreadMain, this, 0, nullptr);
    if (!thread_) {
        error_ = "the mix thread could not be started";
    } else {
        HANDLE waits[2] = {ready_, thread_};
        WaitForMultipleObjects(2, waits, FALSE, INFINITE);
    }
    if (!opened_) {
        Stop();
        if (error_.empty()) error_ = "the device did not open";
        return false;
    }
    return true;
}

void StreamOutput::Stop() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    if (periodBegun_) timeEndPeriod(1);
    periodBegun_ = false;
    if (stop_) CloseHandle(stop_), stop_ = nullptr;
    if (ready_) CloseHandle(ready_), ready_ = nullptr;
    backend_.reset();
}

DWORD WINAPI StreamOutput::ThreadMain(void* self) {
    static_cast<StreamOutput*>(self)->Run();
    return 0;
}

double StreamOutput::ClockMs() const {
    if (options_.clockMs) return options_.clockMs();
    return 1000.0 * static_cast<double>(CounterNow()) / static_cast<double>(CounterFrequency());
}

void StreamOutput::Run() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    std::string error;
    if (!backend_->Open(error)) {
        backend_->Close();
        error_ = error;
        SetEvent(ready_);
        return;
    }
    description_ = backend_->Describe();
    fill_ = StreamFill(leadFrames_, backend_->RoomFrames());
    // The first lead is written before the stream starts; no position has been read yet.
    if (!Fill(fill_.First(backend_->StartFrames()), StreamClockReading()) || !backend_->Play()) {
        backend_->Close();
        error_ = "the device refused the first frames";
        SetEvent(ready_);
        return;
    }
    opened_ = true;
    SetEvent(ready_);

    HANDLE waits[2] = {stop_, backend_->WakeEvent()};
    const DWORD count = waits[1] ? 2 : 1;
    const DWORD interval = backend_->WakeIntervalMs();
    for (;;) {
        const DWORD woken = WaitForMultipleObjects(count, waits, FALSE, interval);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
        StreamDevicePosition position;
        if (!backend_->Poll(fill_.NextFrame(), &position)) {
            deviceErrors_.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        // The reading on the owner's clock: the clock now, less the age of the position.
        StreamClockReading reading;
        reading.playedFrames = position.playedFrames;
        reading.clockMs = ClockMs() - 1000.0 * static_cast<double>(CounterNow() - position.counterAt) /
                                          static_cast<double>(CounterFrequency());
        reading.valid = true;
        const int64_t taken = position.takenFrames > position.playedFrames ? position.takenFrames : position.playedFrames;
        const int64_t margin = fill_.NextFrame() - taken;
        if (margin < leastMarginSeen_) leastMarginSeen_ = margin < -kStreamRate ? -kStreamRate : static_cast<int32_t>(margin);
        if (!Fill(fill_.Plan(taken, position.glitch), reading)) deviceErrors_.fetch_add(1, std::memory_order_relaxed);
        Publish();
    }
    backend_->Close();
}

bool StreamOutput::Fill(size_t frames, const StreamClockReading& reading) {
    while (frames) {
        const size_t block = frames < kBlockFrames ? frames : kBlockFrames;
        const int64_t first = fill_.NextFrame();
        source_->Render(block_.data(), block, first, reading);
        if (!backend_->Write(first, block_.data(), block, &clippedTotal_)) return false;
        fill_.Wrote(block);
        frames -= block;
    }
    return true;
}

void StreamOutput::Publish() {
    underruns_.store(static_cast<uint32_t>(fill_.Underruns()), std::memory_order_relaxed);
    clipped_.store(clippedTotal_ > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(clippedTotal_),
                   std::memory_order_relaxed);
    leastMargin_.store(leastMarginSeen_, std::memory_order_relaxed);
}
