#include "audio/wave_encode.h"

#include "audio/output_format.h"

namespace {
void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}
void PutId(std::vector<uint8_t>& out, const char* id) { out.insert(out.end(), id, id + 4); }
}  // namespace

std::vector<uint8_t> StereoPcm16Header(int64_t frames) {
    if (frames < 0) frames = 0;
    if (frames > kMaxStereoPcm16Frames) frames = kMaxStereoPcm16Frames;
    const uint32_t dataBytes = static_cast<uint32_t>(frames * kStereoFrameBytes);
    std::vector<uint8_t> out;
    out.reserve(kWaveHeaderSize);
    PutId(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutId(out, "WAVE");
    PutId(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);  // PCM
    Put16(out, 2);
    Put32(out, kOutputRate);
    Put32(out, kOutputRate * kStereoFrameBytes);
    Put16(out, kStereoFrameBytes);
    Put16(out, 16);
    PutId(out, "data");
    Put32(out, dataBytes);
    return out;
}

void ConvertToPcm16(const float* samples, size_t count, uint8_t* out, uint64_t* clipped) {
    uint64_t over = 0;
    for (size_t i = 0; i < count; ++i) {
        const float scaled = samples[i] * 32768.0f;
        long value = 0;
        if (scaled >= 32767.5f) {
            value = 32767;
            ++over;
        } else if (scaled <= -32768.5f) {
            value = -32768;
            ++over;
        } else if (scaled == scaled) {  // NaN plays as silence
            // Nearest, halves away from zero; in range here, so a plain truncation does.
            value = static_cast<long>(scaled < 0.0f ? scaled - 0.5f : scaled + 0.5f);
        }
        const uint16_t bits = static_cast<uint16_t>(static_cast<int16_t>(value));
        out[2 * i] = static_cast<uint8_t>(bits);
        out[2 * i + 1] = static_cast<uint8_t>(bits >> 8);
    }
    if (clipped) *clipped += over;
}
