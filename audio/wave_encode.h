// Writing 44.1 kHz 16-bit stereo PCM WAV data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t kWaveHeaderSize = 44;
constexpr int kStereoFrameBytes = 4;
// The most frames one file can hold: its sizes are 32-bit fields.
constexpr int64_t kMaxStereoPcm16Frames = (0xFFFFFFFFll - 36) / kStereoFrameBytes;

// The header ("RIFF", "fmt " and the "data" chunk's head) of a file of
// `frames` stereo frames; the samples follow it directly.
std::vector<uint8_t> StereoPcm16Header(int64_t frames);

// Interleaved samples (full scale 1.0) to little-endian 16-bit, rounded to
// the nearest step; values beyond full scale are clipped and counted.
void ConvertToPcm16(const float* samples, size_t count, uint8_t* out, uint64_t* clipped);
