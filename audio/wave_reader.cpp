#include "audio/wave_reader.h"

#include <cstring>

namespace {
constexpr FOURCC kRiff = mmioFOURCC('R', 'I', 'F', 'F');
constexpr FOURCC kWave = mmioFOURCC('W', 'A', 'V', 'E');
constexpr FOURCC kFmt = mmioFOURCC('f', 'm', 't', ' ');
constexpr FOURCC kData = mmioFOURCC('d', 'a', 't', 'a');
constexpr LONG kPcmFormatBytes = 16;  // tag, channels, rate, bytes/s, align, bits

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

    if (UINT code = mmioDescend(handle, riff, nullptr, 0)) return FailOpen(code, &handle, format);
    if (riff->ckid != kRiff || riff->fccType != kWave) return FailOpen(WAVE_ERR_NOTWAVE, &handle, format);

    MMCKINFO chunk = {};
    chunk.ckid = kFmt;
    if (UINT code = mmioDescend(handle, &chunk, riff, MMIO_FINDCHUNK)) return FailOpen(code, &handle, format);
    if (chunk.cksize < static_cast<DWORD>(kPcmFormatBytes)) return FailOpen(WAVE_ERR_NOTWAVE, &handle, format);

    PCMWAVEFORMAT pcm;
    if (mmioRead(handle, reinterpret_cast<HPSTR>(&pcm), kPcmFormatBytes) != kPcmFormatBytes)
        return FailOpen(WAVE_ERR_CANNOTREAD, &handle, format);

    WORD extra = 0;
    if (pcm.wf.wFormatTag != WAVE_FORMAT_PCM) {
        if (mmioRead(handle, reinterpret_cast<HPSTR>(&extra), sizeof extra) != sizeof extra)
            return FailOpen(WAVE_ERR_CANNOTREAD, &handle, format);
    }

    *format = static_cast<WAVEFORMATEX*>(GlobalAlloc(GMEM_FIXED, sizeof(WAVEFORMATEX) + extra));
    if (!*format) return FailOpen(WAVE_ERR_NOMEM, &handle, format);
    std::memcpy(*format, &pcm, kPcmFormatBytes);
    (*format)->cbSize = extra;
    if (extra != 0) {
        auto* behindSize = reinterpret_cast<HPSTR>(&(*format)->cbSize + 1);
        if (mmioRead(handle, behindSize, extra) != extra) return FailOpen(WAVE_ERR_NOTWAVE, &handle, format);
    }

    if (UINT code = mmioAscend(handle, &chunk, 0)) return FailOpen(code, &handle, format);
    *file = handle;
    return 0;
}

UINT SeekWaveData(HMMIO file, MMCKINFO* data, MMCKINFO* riff) {
    mmioSeek(file, static_cast<LONG>(riff->dwDataOffset + sizeof(FOURCC)), SEEK_SET);
    data->ckid = kData;
    return mmioDescend(file, data, riff, MMIO_FINDCHUNK);
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
