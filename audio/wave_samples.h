// Which sample formats the program plays and how their samples read: PCM of
// 8, 16, 24 and 32 bits, IEEE float of 32 and 64 bits, and the extensible
// format of any of these, in one or two channels. 8- and 16-bit PCM play as
// stored; the others are converted to 16-bit PCM when they are loaded, which
// every DirectSound plays alike.
#pragma once

#include <cstddef>
#include <cstdint>

#include "audio/wave_chunks.h"

enum class SampleEncoding { None, Unsigned8, Signed16, Signed24, Signed32, Float32, Float64 };

struct SampleLayout {
    SampleEncoding encoding = SampleEncoding::None;
    int channels = 0;
    uint32_t rate = 0;
    int bytesPerSample = 0;

    bool Playable() const { return encoding != SampleEncoding::None; }
    size_t FrameBytes() const { return static_cast<size_t>(channels) * static_cast<size_t>(bytesPerSample); }
    // 8- and 16-bit PCM go to DirectSound as they are stored.
    bool PlaysAsStored() const {
        return encoding == SampleEncoding::Unsigned8 || encoding == SampleEncoding::Signed16;
    }
};

// The rates a sound buffer may be made with (the playing rate is set anew
// at every trigger, so a file's own rate only has to be one of these).
constexpr uint32_t kSampleRateMin = 100;
constexpr uint32_t kSampleRateMax = 200000;

// How a file of this format plays; encoding None when it cannot. The block
// alignment and byte rate the file states play no part: a frame is always
// channels times the sample's container size.
SampleLayout PlayableLayout(const WaveFormat& format);

// One sample at `at`, full scale 1.0: 8-bit is unsigned, (x - 128) / 128;
// 16-bit x / 32768; 24-bit x / 8388608; 32-bit x / 2147483648; float as
// stored, limited to -1..1, and NaN as silence (as the 16-bit conversion).
float SampleValue(SampleEncoding encoding, const uint8_t* at);

// `frames` whole frames converted to 16-bit PCM, rounded to nearest and
// limited to its range (NaN gives silence).
void ConvertTo16Bit(const SampleLayout& layout, const uint8_t* in, size_t frames, int16_t* out);

// The largest sound buffer DirectSound makes.
constexpr uint64_t kSoundBufferBytesMax = 0x0FFFFFFF;

// The bytes of the sound buffer that plays `dataBytes` bytes of this layout:
// as stored, the data and one byte more; converted, its whole frames in
// 16-bit samples.
uint64_t PlayedBufferBytes(const SampleLayout& layout, uint64_t dataBytes);

// The whole frames that play; none when the layout cannot play, when not one
// frame is whole, or when no sound buffer could hold them.
size_t PlayableFrames(const SampleLayout& layout, uint64_t dataBytes);
