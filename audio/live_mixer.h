// Live playback through one continuous stream: the changes the sequencer and
// the editor ask for arrive as timed commands, and the mix thread carries out
// each on the stream frame where its time falls, one constant latency later,
// exact to the frame, rendering the voices in between.
//
// Two queues feed it, one per producing thread, so neither ever waits: the
// timer thread's (steps started and stopped at their due times) and the
// interface thread's (everything else, timed at the moment it is asked for).
// The mix thread takes both in time order. A command whose frame has already
// been rendered is carried out at once and counted late.
//
// Platform-free: the stream and the clock come from outside.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "audio/resampling_kernels.h"
#include "audio/spsc_queue.h"
#include "audio/stream_clock_map.h"
#include "audio/stream_source.h"
#include "audio/voice_renderer.h"

// The sounds of one sound list, as the mixer plays them; made on the
// interface thread, handed over whole, and freed only once the mix thread
// has let go of them (LiveMixer::SoundsInUse).
struct SoundSet {
    uint64_t generation = 0;  // counts the lists handed over, from 1
    std::vector<PreparedSound> sounds;
};

struct VoiceCommand {
    enum Kind : uint8_t { Start, Stop, StopAll, SilenceAll, SetLevel, Retune, UseSounds };
    Kind kind = Stop;
    int voice = 0;
    double atMs = 0.0;  // on the playback clock
    VoiceStart start;   // Start; SetLevel takes start.level and start.silenced
    // Start: the sound list its sound index belongs to (0: whichever plays);
    // a start meant for another list is left out.
    uint64_t generation = 0;
    int frequency = 0;  // Retune
    const SoundSet* sounds = nullptr;  // UseSounds
};

class LiveMixer : public StreamSource {
public:
    // Commands per queue that can wait at once: far more than a latency's
    // worth of steps at any tempo, and every voice retuned twice over.
    static constexpr size_t kQueueCapacity = 1024;
    // Live kernels for pitched-up voices, all made now: the mix thread never allocates.
    static constexpr int kSpeedUpGrid = 64;

    explicit LiveMixer(double latencyMs);

    double LatencyMs() const { return latencyMs_; }

    // From the thread that sounds steps (false: the queue was full, and the
    // command is counted as dropped).
    bool PushTimed(const VoiceCommand& command);
    // From the interface thread.
    bool PushNow(const VoiceCommand& command);

    // The mix thread's part.
    void Render(float* out, size_t frames, int64_t firstFrame, const StreamClockReading& reading) override;

    // The sound set the mix thread plays now (null before any), and its generation.
    const SoundSet* SoundsInUse() const { return inUse_.load(std::memory_order_acquire); }
    uint64_t GenerationInUse() const { return generation_.load(std::memory_order_acquire); }
    // Forgets every command and every voice; only while no thread renders or pushes.
    void Reset();
    uint64_t LateCommands() const { return late_.load(std::memory_order_relaxed); }
    uint64_t DroppedCommands() const { return dropped_.load(std::memory_order_relaxed); }
    uint64_t StartsCarriedOut() const { return starts_.load(std::memory_order_relaxed); }
    int SoundingVoices() const { return sounding_.load(std::memory_order_relaxed); }

private:
    using Queue = SpscQueue<VoiceCommand, kQueueCapacity>;

    // The next command due of either queue, or none; which queue it is in.
    const VoiceCommand* Earliest(Queue** from);
    // The stream frame a command belongs to.
    int64_t FrameOf(const VoiceCommand& command) const;
    void Apply(const VoiceCommand& command);
    // Carries out every command up to `end` (exclusive), rendering (or, where
    // the stream skipped frames, only advancing) the voices between.
    void RunTo(int64_t end, float* out, bool render);

    double latencyMs_;
    SpeedUpBanks speedUp_;
    VoiceRenderer renderer_;
    StreamClockMap map_;
    Queue timed_;
    Queue now_;
    int64_t position_ = 0;  // the next stream frame to render
    bool started_ = false;

    std::atomic<const SoundSet*> inUse_{nullptr};
    std::atomic<uint64_t> generation_{0};
    std::atomic<uint64_t> late_{0};
    std::atomic<uint64_t> dropped_{0};
    std::atomic<uint64_t> starts_{0};
    std::atomic<int> sounding_{0};
};
