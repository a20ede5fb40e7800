// The walk through a RIFF/WAVE file's chunks, free of any platform: the outer
// chunk, the "fmt " chunk with its format block, and the "data" chunk. The
// Windows reader runs it over the multimedia file services; decoding and the
// fuzz tests run it over bytes in memory, so both judge a file alike. Every
// failure is a result code, the numbers the Windows reader reports.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

enum : uint32_t {
    kWaveErrNoMem = 0xE000,       // the format block could not be allocated
    kWaveErrCannotOpen = 0xE100,  // the file could not be opened
    kWaveErrNotWave = 0xE101,     // not RIFF/WAVE, or its format block is not whole
    kWaveErrCannotRead = 0xE102,  // the format's fixed fields could not be read
    kWaveErrCorrupt = 0xE103,     // the data ended before the bytes asked for
    kChunkNotFound = 265,         // as the multimedia services number it
};

constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) | static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8 |
           static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16 | static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24;
}
constexpr uint32_t kRiffId = FourCC('R', 'I', 'F', 'F');
constexpr uint32_t kListId = FourCC('L', 'I', 'S', 'T');
constexpr uint32_t kWaveId = FourCC('W', 'A', 'V', 'E');
constexpr uint32_t kFmtId = FourCC('f', 'm', 't', ' ');
constexpr uint32_t kDataId = FourCC('d', 'a', 't', 'a');

// Where the walk takes its bytes from. Positions count from the file's start.
class WaveByteSource {
public:
    virtual ~WaveByteSource() = default;
    // Reads up to `size` bytes and moves past them; returns how many it read.
    virtual size_t Read(void* destination, size_t size) = 0;
    // Any position may be asked for; beyond the end, reads deliver nothing.
    virtual void Seek(uint64_t position) = 0;
    virtual uint64_t Position() = 0;
};

class MemoryWaveSource final : public WaveByteSource {
public:
    MemoryWaveSource(const uint8_t* bytes, size_t size) : bytes_(bytes), size_(size) {}
    size_t Read(void* destination, size_t size) override;
    void Seek(uint64_t position) override { position_ = position; }
    uint64_t Position() override { return position_; }

private:
    const uint8_t* bytes_;
    size_t size_;
    uint64_t position_ = 0;
};

struct WaveChunk {
    uint32_t id = 0;
    uint32_t size = 0;        // as its header says, whatever the file holds
    uint32_t formType = 0;    // "RIFF" and "LIST" chunks only
    uint64_t dataOffset = 0;  // the first byte behind the header (a RIFF chunk's form type)
};

// The format block: the 16 bytes every "fmt " chunk begins with, and for any
// format but PCM the format-specific bytes its size field announces.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::vector<uint8_t> extra;
};

// From the file's start: the outer chunk must be RIFF with form type WAVE;
// its "fmt " chunk is found and read. The chunk bounds the format block: a
// format other than PCM needs room for its 2-byte size field and the bytes it
// announces.
uint32_t ReadWaveFormat(WaveByteSource& source, WaveChunk* riff, WaveFormat* format);

// Finds the "data" chunk among the RIFF chunk's sub-chunks, before or after
// "fmt ", skipping any other; leaves the source at its first byte.
uint32_t FindWaveData(WaveByteSource& source, const WaveChunk& riff, WaveChunk* data);
