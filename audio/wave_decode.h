// A whole WAV file held in memory, judged and decoded as the real-time engine
// loads it: the same chunk walk, the same formats, the same sample data.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "audio/wave_samples.h"

// The sample data of a WAV file as the program plays it.
struct DecodedWave {
    int channels = 0;            // 1 or 2
    uint32_t sampleRate = 0;     // as the file says; playback ignores it (pitch 0 plays at 44100 Hz)
    std::vector<float> samples;  // interleaved frames, full scale = 1.0
    size_t FrameCount() const { return channels > 0 ? samples.size() / static_cast<size_t>(channels) : 0; }
};

// Decodes a whole WAV file held in memory: the same chunk walk and the same
// formats the real-time engine accepts (PCM 8/16/24/32-bit, IEEE float,
// WAVE_FORMAT_EXTENSIBLE of those), the same data the engine would play.
// False for anything the engine would refuse or report.
bool DecodeWave(const uint8_t* bytes, size_t size, DecodedWave* out);

// Where a playable file's sample data lies in memory and how it reads.
struct WaveData {
    SampleLayout layout;
    const uint8_t* samples = nullptr;  // the first byte of the first frame
    size_t frames = 0;
};
// False for anything DecodeWave would refuse.
bool LocateWaveData(const uint8_t* bytes, size_t size, WaveData* out);

// What the engine makes of a file, before any device is involved.
enum class WaveVerdict {
    Playable,
    NotAWave,    // malformed or cut short: skipped without a notice of its own
    Unplayable,  // a wave no sound buffer is made for: a notice names the file
};
// `formatPlayable` (if given) tells an unplayable file's format apart from
// data too short for one whole frame of a playable format.
WaveVerdict JudgeWave(const uint8_t* bytes, size_t size, bool* formatPlayable = nullptr);
