#include "audio/wave_reader.h"

#include <climits>
#include <cstring>

#include "audio/wave_chunks.h"

static_assert(MMIOERR_CHUNKNOTFOUND == static_cast<int>(kChunkNotFound), "a missing chunk reads as the multimedia services say it");

namespace {
// The chunk walk's bytes through the file's multimedia I/O buffer.
class MmioSource final : public WaveByteSource {
public:
    explicit MmioSource(HMMIO file) : file_(file) {
        const LONG at = mmioSeek(file, 0, SEEK_CUR);
        position_ = at < 0 ? 0 : static_cast<uint64_t>(at);
    }
    size_t Read(void* destination, size_t size) override {
        if (!reachable_ || size > LONG_MAX) return 0;
        const LONG got = mmioRead(file_, static_cast<HPSTR>(destination), static_cast<LONG>(size));
        if (got <= 0) return 0;
        position_ += static_cast<uint64_t>(got);
        return static_cast<size_t>(got);
    }
    // A position the services cannot seek to lies beyond any file they open.
    void Seek(uint64_t position) override {
        position_ = position;
        reachable_ = position <= LONG_MAX && mmioSeek(file_, static_cast<LONG>(position), SEEK_SET) != -1;
    }
    uint64_t Position() override { return position_; }

private:
    HMMIO file_;
    uint64_t position_ = 0;
    bool reachable_ = true;
};

void ToRecord(const WaveChunk& chunk, MMCKINFO* record) {
    record->ckid = chunk.id;
    record->cksize = chunk.size;
    record->fccType = chunk.formType;
    record->dwDataOffset = static_cast<DWORD>(chunk.dataOffset);
    record->dwFlags = 0;
}

UINT FailOpen(UINT code, HMMIO* handle, WAVEFORMATEX** format) {
    if (*format) {
        GlobalFree(*format);
        *format = nullptr;
    }
    if (*handle) {
        mmioClose(*handle, 0);
        *handle = nullptr;
    }
    return code;
}
}  // namespace

UINT OpenWave(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riff) {
    *format = nullptr;
    HMMIO handle = mmioOpenA(const_cast<char*>(path), nullptr, MMIO_ALLOCBUF | MMIO_READ);
    if (!handle) return WAVE_ERR_CANNOTOPEN;

    MmioSource source(handle);
    WaveChunk outer;
    WaveFormat read;
    const UINT code = ReadWaveFormat(source, &outer, &read);
    ToRecord(outer, riff);
    if (code != 0) return FailOpen(code, &handle, format);

    const size_t extra = read.extra.size();
    *format = static_cast<WAVEFORMATEX*>(GlobalAlloc(GMEM_FIXED, sizeof(WAVEFORMATEX) + extra));
    if (!*format) return FailOpen(WAVE_ERR_NOMEM, &handle, format);
    WAVEFORMATEX& block = **format;
    block.wFormatTag = read.formatTag;
    block.nChannels = read.channels;
    block.nSamplesPerSec = read.samplesPerSec;
    block.nAvgBytesPerSec = read.avgBytesPerSec;
    block.nBlockAlign = read.blockAlign;
    block.wBitsPerSample = read.bitsPerSample;
    block.cbSize = static_cast<WORD>(extra);
    if (extra != 0) std::memcpy(&block.cbSize + 1, read.extra.data(), extra);
    *file = handle;
    return 0;
}

UINT SeekWaveData(HMMIO file, MMCKINFO* data, MMCKINFO* riff) {
    MmioSource source(file);
    WaveChunk outer;
    outer.id = riff->ckid;
    outer.size = riff->cksize;
    outer.formType = riff->fccType;
    outer.dataOffset = riff->dwDataOffset;
    WaveChunk found;
    const UINT code = FindWaveData(source, outer, &found);
    if (code == 0) ToRecord(found, data);
    return code;
}

UINT ReadWaveData(HMMIO file, UINT wanted, BYTE* destination, MMCKINFO* data, UINT* delivered) {
    *delivered = 0;
    MMIOINFO info;
    if (mmioGetInfo(file, &info, 0) != 0) return 1;

    UINT count = wanted < data->cksize ? wanted : data->cksize;
    data->cksize -= count;
    for (UINT i = 0; i < count; ++i) {
        if (info.pchNext == info.pchEndRead) {
            if (UINT code = mmioAdvance(file, &info, MMIO_READ)) return code;
            if (info.pchNext == info.pchEndRead) return WAVE_ERR_CORRUPT;
        }
        destination[i] = static_cast<BYTE>(*info.pchNext++);
    }

    if (UINT code = mmioSetInfo(file, &info, 0)) return code;
    *delivered = count;
    return 0;
}

UINT CloseWave(HMMIO* file, WAVEFORMATEX** format) {
    if (*format) {
        GlobalFree(*format);
        *format = nullptr;
    }
    if (*file) {
        mmioClose(*file, 0);
        *file = nullptr;
    }
    return 0;
}

WaveFormat FormatOfBlock(const WAVEFORMATEX& block) {
    WaveFormat format;
    format.formatTag = block.wFormatTag;
    format.channels = block.nChannels;
    format.samplesPerSec = block.nSamplesPerSec;
    format.avgBytesPerSec = block.nAvgBytesPerSec;
    format.blockAlign = block.nBlockAlign;
    format.bitsPerSample = block.wBitsPerSample;
    const BYTE* extra = reinterpret_cast<const BYTE*>(&block.cbSize + 1);
    format.extra.assign(extra, extra + block.cbSize);
    return format;
}
