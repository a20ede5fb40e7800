#include "audio/wave_decode.h"

#include <new>

#include "audio/wave_chunks.h"
#include "audio/wave_samples.h"

namespace {
struct Inspection {
    WaveVerdict verdict = WaveVerdict::NotAWave;
    SampleLayout layout;
    uint64_t dataOffset = 0;
    size_t frames = 0;
};

Inspection Inspect(const uint8_t* bytes, size_t size) {
    Inspection result;
    MemoryWaveSource source(bytes, size);
    WaveChunk riff, data;
    WaveFormat format;
    if (ReadWaveFormat(source, &riff, &format) != 0 || FindWaveData(source, riff, &data) != 0) return result;
    // Data that claims more than the file holds would fail its read.
    if (data.dataOffset > size || data.size > size - data.dataOffset) return result;
    result.layout = PlayableLayout(format);
    result.frames = PlayableFrames(result.layout, data.size);
    result.dataOffset = data.dataOffset;
    result.verdict = result.frames == 0 ? WaveVerdict::Unplayable : WaveVerdict::Playable;
    return result;
}
}  // namespace

bool DecodeWave(const uint8_t* bytes, size_t size, DecodedWave* out) {
    const Inspection wave = Inspect(bytes, size);
    if (wave.verdict != WaveVerdict::Playable) return false;
    const size_t count = wave.frames * static_cast<size_t>(wave.layout.channels);
    std::vector<float> samples;
    try {
        samples.resize(count);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const uint8_t* at = bytes + wave.dataOffset;
    const size_t step = static_cast<size_t>(wave.layout.bytesPerSample);
    for (size_t i = 0; i < count; ++i, at += step) samples[i] = SampleValue(wave.layout.encoding, at);
    out->channels = wave.layout.channels;
    out->sampleRate = wave.layout.rate;
    out->samples.swap(samples);
    return true;
}

bool LocateWaveData(const uint8_t* bytes, size_t size, WaveData* out) {
    const Inspection wave = Inspect(bytes, size);
    if (wave.verdict != WaveVerdict::Playable) return false;
    out->layout = wave.layout;
    out->samples = bytes + wave.dataOffset;
    out->frames = wave.frames;
    return true;
}

WaveVerdict JudgeWave(const uint8_t* bytes, size_t size, bool* formatPlayable) {
    const Inspection wave = Inspect(bytes, size);
    if (formatPlayable) *formatPlayable = wave.layout.Playable();
    return wave.verdict;
}
