#include "audio/voice_renderer.h"

#include <algorithm>
#include <vector>

#include "audio/vector_math.h"

namespace {
// The most taps any bank has: the export's kernel at the highest frequency.
constexpr int kMaxTaps = 2 * (static_cast<int>(PreparedSound::kPadding) - 8);

// Frames a voice still plays from its read position.
int64_t FramesLeft(int64_t sourceFrames, int64_t whole, int32_t remainder, int frequency) {
    if (whole >= sourceFrames) return 0;
    const int64_t distance = (sourceFrames - whole) * kOutputRate - remainder;
    return (distance + frequency - 1) / frequency;
}
}  // namespace

int64_t PlayedFrameCount(size_t sourceFrames, int frequency) {
    if (frequency <= 0 || sourceFrames == 0) return 0;
    return FramesLeft(static_cast<int64_t>(sourceFrames), 0, 0, frequency);
}

VoiceRenderer::VoiceRenderer(SpeedUpBanks& speedUp) : speedUp_(speedUp) {}

void VoiceRenderer::SetSounds(const PreparedSound* sounds, size_t count) {
    StopAll();
    sounds_ = sounds;
    soundCount_ = sounds ? count : 0;
}

void VoiceRenderer::Start(int index, const VoiceStart& start) {
    if (!Valid(index)) return;
    Voice& voice = voices_[index];
    voice = Voice();
    if (start.sound < 0 || static_cast<size_t>(start.sound) >= soundCount_) return;
    const PreparedSound& sound = sounds_[start.sound];
    if (sound.Empty() || start.frequency <= 0) return;
    voice.sound = &sound;
    voice.frequency = std::min(start.frequency, kMaxVoiceFrequency);
    voice.level = start.level;
    voice.panLeft = start.panLeft;
    voice.panRight = start.panRight;
    voice.silenced = start.silenced;
}

void VoiceRenderer::Stop(int index) {
    if (Valid(index)) voices_[index].sound = nullptr;
}

void VoiceRenderer::StopAll() {
    for (Voice& voice : voices_) voice.sound = nullptr;
}

void VoiceRenderer::SilenceAll() {
    for (Voice& voice : voices_) voice.silenced = true;
}

void VoiceRenderer::SetLevel(int index, float level, bool silenced) {
    if (!IsSounding(index)) return;
    voices_[index].level = level;
    voices_[index].silenced = silenced;
}

void VoiceRenderer::Retune(int index, int frequency) {
    if (IsSounding(index) && frequency > 0) voices_[index].frequency = std::min(frequency, kMaxVoiceFrequency);
}

bool VoiceRenderer::IsSounding(int index) const { return Valid(index) && voices_[index].sound != nullptr; }

int VoiceRenderer::SoundingCount() const {
    int count = 0;
    for (const Voice& voice : voices_) count += voice.sound ? 1 : 0;
    return count;
}

void VoiceRenderer::Render(float* out, size_t frames) {
    std::fill(out, out + 2 * frames, 0.0f);
    for (Voice& voice : voices_) {
        if (voice.sound && !RenderVoice(voice, out, frames)) voice.sound = nullptr;
    }
}

void VoiceRenderer::Skip(int64_t frames) {
    for (Voice& voice : voices_) {
        if (!voice.sound) continue;
        if (FramesLeft(voice) <= frames) voice.sound = nullptr;
        else Advance(voice, frames);
    }
}

int64_t VoiceRenderer::FramesUntilSilent() const {
    int64_t longest = 0;
    for (const Voice& voice : voices_) {
        if (voice.sound) longest = std::max(longest, FramesLeft(voice));
    }
    return longest;
}

int64_t VoiceRenderer::FramesLeft(const Voice& voice) {
    return ::FramesLeft(static_cast<int64_t>(voice.sound->Frames()), voice.whole, voice.remainder, voice.frequency);
}

bool VoiceRenderer::RenderVoice(Voice& voice, float* out, size_t frames) {
    const int64_t left = FramesLeft(voice);
    const size_t count = static_cast<size_t>(std::min<int64_t>(left, static_cast<int64_t>(frames)));
    const float gainLeft = voice.silenced ? 0.0f : voice.level * voice.panLeft;
    const float gainRight = voice.silenced ? 0.0f : voice.level * voice.panRight;
    if (gainLeft == 0.0f && gainRight == 0.0f) {
        // Unheard, but it runs on: un-muted later it sounds where it has got to.
        Advance(voice, static_cast<int64_t>(count));
    } else if (voice.frequency == kOutputRate && voice.remainder == 0) {
        CopyAtOutputRate(voice, gainLeft, gainRight, out, count);
    } else if (voice.frequency <= kOutputRate) {
        ReadDense(voice, gainLeft, gainRight, out, count);
    } else {
        ReadSpedUp(voice, gainLeft, gainRight, out, count);
    }
    return static_cast<int64_t>(frames) < left;
}

void VoiceRenderer::Advance(Voice& voice, int64_t frames) {
    // In two parts, so that no product can overflow however far it goes.
    voice.whole += frames / kOutputRate * voice.frequency;
    const int64_t moved = static_cast<int64_t>(voice.remainder) + frames % kOutputRate * voice.frequency;
    voice.whole += moved / kOutputRate;
    voice.remainder = static_cast<int32_t>(moved % kOutputRate);
}

void VoiceRenderer::CopyAtOutputRate(Voice& voice, float left, float right, float* out, size_t frames) {
    const PreparedSound& sound = *voice.sound;
    const float* l = sound.Samples(0) + voice.whole;
    const float* r = sound.Samples(sound.Channels() - 1) + voice.whole;
    for (size_t n = 0; n < frames; ++n) {
        out[2 * n] += left * l[n];
        out[2 * n + 1] += right * r[n];
    }
    voice.whole += static_cast<int64_t>(frames);
}

namespace {
// The dense kernel's rows with their taps sorted by the lane they read:
// eight on frames or midpoints, eight on the other.
struct DenseRows {
    static constexpr int kHalf = kDenseTaps / 2;
    struct Row {
        float even[kHalf], odd[kHalf];
    };
    std::vector<Row> rows;
    DenseRows() : rows(kDensePhases + 1) {
        const PolyphaseBank bank(kDenseKernel, 1.0, kDensePhases);
        for (int q = 0; q <= kDensePhases; ++q) {
            for (int i = 0; i < kHalf; ++i) {
                rows[q].even[i] = bank.Row(q)[2 * i];
                rows[q].odd[i] = bank.Row(q)[2 * i + 1];
            }
        }
    }
};
static_assert(kDenseTaps == 16, "the dense loop reads two vectors of four on each lane");

const DenseRows& Dense() {
    static const DenseRows rows;
    return rows;
}

constexpr float kPhasesPerRemainderFloat = static_cast<float>(kKernelPhases) / kOutputRate;
// Half a phase added before truncating: the nearest phase.
constexpr float kDensePhasesPerRemainder = static_cast<float>(kDensePhases) / kOutputRate;

// The voice's position moves on by one output frame.
inline void StepOn(int64_t& whole, int32_t& remainder, int wholeStep, int remainderStep) {
    whole += wholeStep;
    remainder += remainderStep;
    if (remainder >= kOutputRate) remainder -= kOutputRate, whole += 1;
}

template <int kChannels>
void ReadDenseFrames(const PreparedSound& sound, int64_t& whole, int32_t& remainder, int frequency, float left,
                     float right, float* out, size_t frames) {
    // The dense signal has two points per frame: frame i at 2i, the point
    // half-way to the next at 2i + 1. Its taps alternate between the two
    // lanes, so each lane is read as one contiguous run of every second tap.
    const DenseRows& dense = Dense();
    constexpr int kReach = kDenseKernel.halfWidth;
    const int wholeStep = frequency / kOutputRate;
    const int remainderStep = frequency % kOutputRate;
    // By channel, then frames (0) or midpoints (1).
    const float* lanes[2][2] = {{sound.Samples(0), sound.Midpoints(0)},
                                {sound.Samples(kChannels - 1), sound.Midpoints(kChannels - 1)}};
    const Float4 gains = {left, right, 0.0f, 0.0f};
    for (size_t n = 0; n < frames; ++n) {
        int32_t doubled = 2 * remainder;
        int64_t point = 2 * whole;
        if (doubled >= kOutputRate) doubled -= kOutputRate, point += 1;
        const int q = static_cast<int>(static_cast<float>(doubled) * kDensePhasesPerRemainder + 0.5f);
        const DenseRows::Row& row = dense.rows[static_cast<size_t>(q)];
        const Float4 even0 = Load4(row.even), even1 = Load4(row.even + 4);
        const Float4 odd0 = Load4(row.odd), odd1 = Load4(row.odd + 4);
        // The first tap's point: on a frame (parity 0) its even taps read
        // frames and its odd ones midpoints, else the other way round.
        const int64_t first = point - kReach + 1;
        const int parity = static_cast<int>(first & 1);
        const int64_t evenAt = first >> 1;
        const int64_t oddAt = (first + parity) >> 1;
        Float4 sums[2];
        for (int c = 0; c < kChannels; ++c) {
            const float* e = lanes[c][parity] + evenAt;
            const float* o = lanes[c][parity ^ 1] + oddAt;
            sums[c] = (even0 * Load4(e) + even1 * Load4(e + 4)) + (odd0 * Load4(o) + odd1 * Load4(o + 4));
        }
        const Float4 both = PairSums(sums[0], sums[kChannels - 1]);
        AddPair(out + 2 * n, both * gains);
        StepOn(whole, remainder, wholeStep, remainderStep);
    }
}

template <int kChannels>
void ReadSpedUpFrames(const PreparedSound& sound, const PolyphaseBank& bank, int64_t& whole, int32_t& remainder,
                      int frequency, float left, float right, float* out, size_t frames) {
    const int taps = bank.Taps();
    const int reach = bank.Reach();
    const int wholeStep = frequency / kOutputRate;
    const int remainderStep = frequency % kOutputRate;
    const float* lanes[2] = {sound.Samples(0), sound.Samples(kChannels - 1)};
    alignas(16) float weights[kMaxTaps];
    for (size_t n = 0; n < frames; ++n) {
        const float phase = static_cast<float>(remainder) * kPhasesPerRemainderFloat;
        const int q = static_cast<int>(phase);
        Blend4(bank.Row(q), bank.Step(q), phase - q, weights, taps);
        const int64_t first = whole - reach + 1;
        float value[2];
        for (int c = 0; c < kChannels; ++c) value[c] = Dot4(weights, lanes[c] + first, taps);
        out[2 * n] += left * value[0];
        out[2 * n + 1] += right * value[kChannels - 1];
        StepOn(whole, remainder, wholeStep, remainderStep);
    }
}
}  // namespace

void VoiceRenderer::ReadDense(Voice& voice, float left, float right, float* out, size_t frames) {
    if (voice.sound->Channels() == 1)
        ReadDenseFrames<1>(*voice.sound, voice.whole, voice.remainder, voice.frequency, left, right, out, frames);
    else
        ReadDenseFrames<2>(*voice.sound, voice.whole, voice.remainder, voice.frequency, left, right, out, frames);
}

void VoiceRenderer::ReadSpedUp(Voice& voice, float left, float right, float* out, size_t frames) {
    const PolyphaseBank& bank = speedUp_.ForFrequency(voice.frequency);
    if (voice.sound->Channels() == 1)
        ReadSpedUpFrames<1>(*voice.sound, bank, voice.whole, voice.remainder, voice.frequency, left, right, out, frames);
    else
        ReadSpedUpFrames<2>(*voice.sound, bank, voice.whole, voice.remainder, voice.frequency, left, right, out, frames);
}
