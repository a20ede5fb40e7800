#include "audio/wave_samples.h"

#include <cmath>
#include <cstring>

namespace {
constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
constexpr size_t kExtensibleExtraBytes = 22;  // valid bits, channel mask, sub-format
// Every standard sub-format is a format tag in the first two bytes of this GUID.
constexpr uint8_t kSubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

SampleLayout Layout(SampleEncoding encoding, const WaveFormat& format) {
    SampleLayout layout;
    layout.encoding = encoding;
    layout.channels = format.channels;
    layout.rate = format.samplesPerSec;
    layout.bytesPerSample = format.bitsPerSample / 8;
    return layout;
}

SampleEncoding Encoding(uint16_t tag, uint16_t bits) {
    if (tag == kFormatPcm) {
        switch (bits) {
            case 8: return SampleEncoding::Unsigned8;
            case 16: return SampleEncoding::Signed16;
            case 24: return SampleEncoding::Signed24;
            case 32: return SampleEncoding::Signed32;
            default: return SampleEncoding::None;
        }
    }
    if (tag == kFormatFloat) {
        if (bits == 32) return SampleEncoding::Float32;
        if (bits == 64) return SampleEncoding::Float64;
    }
    return SampleEncoding::None;
}

int32_t Signed24(const uint8_t* p) {
    const uint32_t raw = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                         static_cast<uint32_t>(p[2]) << 16;
    return static_cast<int32_t>(raw ^ 0x800000u) - 0x800000;
}
int32_t Signed32(const uint8_t* p) {
    const uint32_t raw = static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
    return static_cast<int32_t>(static_cast<int64_t>(raw) - (raw >= 0x80000000u ? int64_t{1} << 32 : 0));
}
float Float32(const uint8_t* p) {
    const uint32_t raw = static_cast<uint32_t>(Signed32(p));
    float value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}
double Float64(const uint8_t* p) {
    uint64_t raw = 0;
    for (int i = 7; i >= 0; --i) raw = raw << 8 | p[i];
    double value;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

// A float sample as it plays: within full scale, NaN silent, as the sound
// buffer's 16-bit conversion has it.
float FullScale(double value) {
    if (!(value == value)) return 0.0f;  // NaN
    return value > 1.0 ? 1.0f : value < -1.0 ? -1.0f : static_cast<float>(value);
}

int16_t Limit16(double scaled) {
    if (!(scaled == scaled)) return 0;  // NaN
    const double rounded = std::floor(scaled + 0.5);
    if (rounded > 32767.0) return 32767;
    if (rounded < -32768.0) return -32768;
    return static_cast<int16_t>(rounded);
}

// An integer of `shift` more bits than 16, rounded to nearest into 16 bits
// (halves upward, with a floor division that also holds below zero).
int16_t Narrow(int64_t value, int shift) {
    const int64_t unit = int64_t{1} << shift;
    const int64_t biased = value + unit / 2;
    int64_t quotient = biased / unit;
    if (biased % unit != 0 && biased < 0) --quotient;
    return quotient > 32767 ? 32767 : static_cast<int16_t>(quotient);
}
}  // namespace

SampleLayout PlayableLayout(const WaveFormat& format) {
    if (format.channels < 1 || format.channels > 2) return {};
    if (format.samplesPerSec < kSampleRateMin || format.samplesPerSec > kSampleRateMax) return {};
    if (format.formatTag != kFormatExtensible) return Layout(Encoding(format.formatTag, format.bitsPerSample), format);

    if (format.extra.size() < kExtensibleExtraBytes) return {};
    const uint8_t* extra = format.extra.data();
    const uint16_t validBits = static_cast<uint16_t>(extra[0] | extra[1] << 8);
    if (validBits > format.bitsPerSample) return {};
    const uint8_t* subFormat = extra + 6;
    if (std::memcmp(subFormat + 2, kSubFormatTail, sizeof kSubFormatTail) != 0) return {};
    const uint16_t tag = static_cast<uint16_t>(subFormat[0] | subFormat[1] << 8);
    if (tag != kFormatPcm && tag != kFormatFloat) return {};
    return Layout(Encoding(tag, format.bitsPerSample), format);
}

float SampleValue(SampleEncoding encoding, const uint8_t* at) {
    switch (encoding) {
        case SampleEncoding::Unsigned8: return (static_cast<float>(at[0]) - 128.0f) / 128.0f;
        case SampleEncoding::Signed16:
            return static_cast<float>(static_cast<int16_t>(at[0] | at[1] << 8)) / 32768.0f;
        case SampleEncoding::Signed24: return static_cast<float>(static_cast<double>(Signed24(at)) / 8388608.0);
        case SampleEncoding::Signed32: return static_cast<float>(static_cast<double>(Signed32(at)) / 2147483648.0);
        case SampleEncoding::Float32: return FullScale(Float32(at));
        case SampleEncoding::Float64: return FullScale(Float64(at));
        case SampleEncoding::None: break;
    }
    return 0.0f;
}

void ConvertTo16Bit(const SampleLayout& layout, const uint8_t* in, size_t frames, int16_t* out) {
    const size_t samples = frames * static_cast<size_t>(layout.channels);
    const size_t step = static_cast<size_t>(layout.bytesPerSample);
    for (size_t i = 0; i < samples; ++i, in += step) {
        switch (layout.encoding) {
            case SampleEncoding::Unsigned8: out[i] = static_cast<int16_t>((in[0] - 128) * 256); break;
            case SampleEncoding::Signed16: out[i] = static_cast<int16_t>(in[0] | in[1] << 8); break;
            case SampleEncoding::Signed24: out[i] = Narrow(Signed24(in), 8); break;
            case SampleEncoding::Signed32: out[i] = Narrow(Signed32(in), 16); break;
            case SampleEncoding::Float32: out[i] = Limit16(static_cast<double>(Float32(in)) * 32768.0); break;
            case SampleEncoding::Float64: out[i] = Limit16(Float64(in) * 32768.0); break;
            case SampleEncoding::None: out[i] = 0; break;
        }
    }
}

uint64_t PlayedBufferBytes(const SampleLayout& layout, uint64_t dataBytes) {
    if (layout.PlaysAsStored()) return dataBytes + 1;
    if (layout.FrameBytes() == 0) return 0;
    return dataBytes / layout.FrameBytes() * static_cast<uint64_t>(layout.channels) * 2;
}

size_t PlayableFrames(const SampleLayout& layout, uint64_t dataBytes) {
    if (!layout.Playable() || layout.FrameBytes() == 0) return 0;
    if (PlayedBufferBytes(layout, dataBytes) > kSoundBufferBytesMax) return 0;
    return static_cast<size_t>(dataBytes / layout.FrameBytes());
}
