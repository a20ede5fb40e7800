// The WAV chunk walk, judgement and decoding on any bytes, and the 16-bit
// conversion the real-time engine makes of the same data: no crash, no read
// beyond the bytes, no unbounded allocation; decoding agrees with the
// judgement, and the converted samples are the decoded ones to within one step.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/wave_chunks.h"
#include "audio/wave_decode.h"
#include "audio/wave_samples.h"

namespace {
void Require(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const WaveVerdict verdict = JudgeWave(data, size);
    DecodedWave wave;
    const bool decoded = DecodeWave(data, size, &wave);
    Require(decoded == (verdict == WaveVerdict::Playable));
    if (!decoded) return 0;
    Require(wave.channels == 1 || wave.channels == 2);
    Require(wave.FrameCount() > 0 && wave.samples.size() % static_cast<size_t>(wave.channels) == 0);
    Require(wave.sampleRate >= kSampleRateMin && wave.sampleRate <= kSampleRateMax);

    // The engine's way to the same samples: walk, layout, conversion.
    MemoryWaveSource source(data, size);
    WaveChunk riff, chunk;
    WaveFormat format;
    Require(ReadWaveFormat(source, &riff, &format) == 0 && FindWaveData(source, riff, &chunk) == 0);
    const SampleLayout layout = PlayableLayout(format);
    const size_t frames = PlayableFrames(layout, chunk.size);
    Require(frames == wave.FrameCount() && layout.channels == wave.channels);
    Require(chunk.dataOffset + frames * layout.FrameBytes() <= size);
    std::vector<int16_t> converted(frames * static_cast<size_t>(layout.channels));
    ConvertTo16Bit(layout, data + chunk.dataOffset, frames, converted.data());
    for (size_t i = 0; i < converted.size(); ++i) {
        const float x = wave.samples[i];
        if (std::isnan(x)) {
            Require(converted[i] == 0);
            continue;
        }
        const double expected = std::fmin(std::fmax(static_cast<double>(x), -1.0), 32767.0 / 32768.0);
        Require(std::fabs(converted[i] / 32768.0 - expected) <= 1.0 / 32768.0);
    }
    return 0;
}
