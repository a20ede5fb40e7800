// Reads a RIFF/WAVE file through the multimedia buffered file services: the
// format block, then the sample data copied straight out of the I/O buffer.
// The chunks are walked by the platform-free walk of wave_chunks.h. Every
// failure is a result code; nothing here shows a message.
#pragma once
#include <windows.h>
#include <mmsystem.h>

#include "audio/wave_chunks.h"

enum : UINT {
    WAVE_ERR_NOMEM = kWaveErrNoMem,            // 0xE000
    WAVE_ERR_CANNOTOPEN = kWaveErrCannotOpen,  // 0xE100
    WAVE_ERR_NOTWAVE = kWaveErrNotWave,        // 0xE101
    WAVE_ERR_CANNOTREAD = kWaveErrCannotRead,  // 0xE102
    WAVE_ERR_CORRUPT = kWaveErrCorrupt,        // 0xE103
};

// Opens the file and reads its "fmt " chunk into a block from GlobalAlloc that
// the caller gives back through CloseWave. On failure nothing stays open.
UINT OpenWave(const char* path, HMMIO* file, WAVEFORMATEX** format, MMCKINFO* riff);

// Finds the "data" chunk, before or after "fmt ", skipping any other chunk.
UINT SeekWaveData(HMMIO file, MMCKINFO* data, MMCKINFO* riff);

// Copies up to `wanted` bytes of the data chunk; data->cksize counts down.
UINT ReadWaveData(HMMIO file, UINT wanted, BYTE* destination, MMCKINFO* data, UINT* delivered);

// Frees the format block and closes the file; both become none. Always 0.
UINT CloseWave(HMMIO* file, WAVEFORMATEX** format);

// The format block as the platform-free code reads formats.
WaveFormat FormatOfBlock(const WAVEFORMATEX& block);
