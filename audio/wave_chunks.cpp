#include "audio/wave_chunks.h"

#include <cstring>

namespace {
constexpr size_t kHeaderBytes = 8;         // id and size
constexpr uint32_t kFixedFormatBytes = 16; // tag, channels, rate, bytes/s, align, bits
constexpr uint32_t kExtensibleFormatBytes = kFixedFormatBytes + 2;  // and the extra-size field
constexpr uint16_t kFormatPcm = 1;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return static_cast<uint32_t>(Le16(p)) | static_cast<uint32_t>(Le16(p + 2)) << 16; }

// The chunk header at the current position; leaves the source at the chunk's
// data (behind the form type of a RIFF or LIST chunk).
uint32_t Descend(WaveByteSource& source, WaveChunk* chunk) {
    const uint64_t start = source.Position();
    uint8_t header[kHeaderBytes + 4];
    const size_t got = source.Read(header, sizeof header);
    if (got < kHeaderBytes) return kChunkNotFound;
    chunk->id = Le32(header);
    chunk->size = Le32(header + 4);
    chunk->dataOffset = start + kHeaderBytes;
    chunk->formType = 0;
    if (chunk->id == kRiffId || chunk->id == kListId) {
        if (got == sizeof header) chunk->formType = Le32(header + kHeaderBytes);
        source.Seek(chunk->dataOffset + 4);
    } else {
        source.Seek(chunk->dataOffset);
    }
    return 0;
}

// Searches from the current position, which must lie inside the parent's
// data, chunk after chunk (each padded to an even size) until one has the id.
// Positions only grow, so the search ends at the latest at the end of the
// bytes, whatever sizes the headers claim.
uint32_t FindChunk(WaveByteSource& source, const WaveChunk& parent, uint32_t id, WaveChunk* found) {
    uint64_t at = source.Position();
    if (at < parent.dataOffset || at >= parent.dataOffset + parent.size) return kChunkNotFound;
    for (;;) {
        WaveChunk chunk;
        if (uint32_t code = Descend(source, &chunk)) return code;
        if (chunk.id == id) {
            *found = chunk;
            return 0;
        }
        at = chunk.dataOffset + ((uint64_t{chunk.size} + 1) & ~uint64_t{1});
        source.Seek(at);
    }
}
}  // namespace

size_t MemoryWaveSource::Read(void* destination, size_t size) {
    if (position_ >= size_) return 0;
    const size_t available = size_ - static_cast<size_t>(position_);
    const size_t count = size < available ? size : available;
    std::memcpy(destination, bytes_ + position_, count);
    position_ += count;
    return count;
}

uint32_t ReadWaveFormat(WaveByteSource& source, WaveChunk* riff, WaveFormat* format) {
    source.Seek(0);
    if (uint32_t code = Descend(source, riff)) return code;
    if (riff->id != kRiffId || riff->formType != kWaveId) return kWaveErrNotWave;

    WaveChunk chunk;
    if (uint32_t code = FindChunk(source, *riff, kFmtId, &chunk)) return code;
    if (chunk.size < kFixedFormatBytes) return kWaveErrNotWave;  // an old 14-byte wave header

    uint8_t fixed[kFixedFormatBytes];
    if (source.Read(fixed, sizeof fixed) != sizeof fixed) return kWaveErrCannotRead;
    format->formatTag = Le16(fixed);
    format->channels = Le16(fixed + 2);
    format->samplesPerSec = Le32(fixed + 4);
    format->avgBytesPerSec = Le32(fixed + 8);
    format->blockAlign = Le16(fixed + 12);
    format->bitsPerSample = Le16(fixed + 14);
    format->extra.clear();
    if (format->formatTag == kFormatPcm) return 0;  // PCM has no extra bytes, whatever the chunk holds

    // The size field and the bytes it announces must lie within the chunk:
    // behind it begins the next chunk, which is no part of the format.
    if (chunk.size < kExtensibleFormatBytes) return kWaveErrNotWave;
    uint8_t sizeField[2];
    if (source.Read(sizeField, sizeof sizeField) != sizeof sizeField) return kWaveErrCannotRead;
    const uint16_t extra = Le16(sizeField);
    if (kExtensibleFormatBytes + extra > chunk.size) return kWaveErrNotWave;
    format->extra.resize(extra);
    if (extra != 0 && source.Read(format->extra.data(), extra) != extra) return kWaveErrNotWave;
    return 0;
}

uint32_t FindWaveData(WaveByteSource& source, const WaveChunk& riff, WaveChunk* data) {
    source.Seek(riff.dataOffset + 4);  // the first sub-chunk, behind the form type
    return FindChunk(source, riff, kDataId, data);
}
