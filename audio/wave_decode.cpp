#include "audio/wave_decode.h"

#include <cstring>

namespace {

uint32_t U32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24; }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;

// Finds a chunk among the RIFF form's sub-chunks, from the first one on, as
// the multimedia file services do; chunks are word-aligned.
bool FindChunk(const uint8_t* bytes, size_t formEnd, const char* id, size_t* data, uint32_t* declared) {
    size_t at = 12;
    while (at + 8 <= formEnd) {
        const uint32_t size = U32(bytes + at + 4);
        if (std::memcmp(bytes + at, id, 4) == 0) {
            *data = at + 8;
            *declared = size;
            return true;
        }
        const uint64_t next = static_cast<uint64_t>(at) + 8 + size + (size & 1);
        if (next > formEnd) return false;
        at = static_cast<size_t>(next);
    }
    return false;
}

}  // namespace

bool DecodeWave(const uint8_t* bytes, size_t size, DecodedWave* out) {
    *out = DecodedWave();
    if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return false;
    const uint64_t riffEnd = 8 + static_cast<uint64_t>(U32(bytes + 4));
    const size_t formEnd = riffEnd < size ? static_cast<size_t>(riffEnd) : size;

    size_t fmt = 0, data = 0;
    uint32_t fmtSize = 0, dataSize = 0;
    if (!FindChunk(bytes, formEnd, "fmt ", &fmt, &fmtSize) || fmtSize < 16 || fmt + 16 > size) return false;
    uint16_t tag = U16(bytes + fmt);
    const uint16_t channels = U16(bytes + fmt + 2);
    const uint32_t rate = U32(bytes + fmt + 4);
    const uint16_t align = U16(bytes + fmt + 12);
    const uint16_t bits = U16(bytes + fmt + 14);
    if (tag == kFormatExtensible) {
        // The sub-format's first two bytes are the plain format tag.
        if (fmtSize < 40 || fmt + 26 > size) return false;
        tag = U16(bytes + fmt + 24);
    }
    if (tag != kFormatPcm || (bits != 8 && bits != 16) || (channels != 1 && channels != 2)) return false;
    if (align != channels * bits / 8) return false;

    if (!FindChunk(bytes, formEnd, "data", &data, &dataSize)) return false;
    // Data declared beyond the file cannot be read whole: refused, as playback refuses it.
    if (static_cast<uint64_t>(data) + dataSize > size) return false;

    const size_t samples = dataSize / align * channels;
    out->channels = channels;
    out->sampleRate = rate;
    out->samples.resize(samples);
    const uint8_t* p = bytes + data;
    if (bits == 8) {
        for (size_t i = 0; i < samples; ++i) out->samples[i] = (static_cast<int>(p[i]) - 128) / 128.0f;
    } else {
        for (size_t i = 0; i < samples; ++i)
            out->samples[i] = static_cast<int16_t>(U16(p + 2 * i)) / 32768.0f;
    }
    return true;
}
