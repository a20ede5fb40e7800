// Builds RIFF/WAVE files byte by byte for tests, including broken ones.
#pragma once

#include <cmath>
#include <cstring>
#include <cstdint>
#include <string>
#include <vector>

struct WavFile {
    uint16_t formatTag = 1;
    uint16_t channels = 1;
    uint32_t rate = 44100;
    uint16_t bits = 16;
    uint32_t fmtSize = 16;          // bytes of the "fmt " chunk as declared and written
    std::vector<uint8_t> fmtExtra;  // written behind the 16 format bytes (within fmtSize)
    std::vector<uint8_t> data;
    bool dataBeforeFmt = false;
    bool listChunkBetween = false;  // a "LIST" chunk between the two
    int64_t claimedDataSize = -1;   // overrides the "data" size field when >= 0
    std::string riffId = "RIFF";
    std::string formType = "WAVE";

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> body;
        Id(body, formType);
        auto fmt = [&] {
            Id(body, "fmt ");
            U32(body, fmtSize);
            std::vector<uint8_t> f;
            U16(f, formatTag);
            U16(f, channels);
            U32(f, rate);
            const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
            U32(f, rate * align);
            U16(f, align);
            U16(f, bits);
            f.insert(f.end(), fmtExtra.begin(), fmtExtra.end());
            f.resize(fmtSize, 0);
            body.insert(body.end(), f.begin(), f.end());
            if (fmtSize % 2) body.push_back(0);
        };
        auto list = [&] {
            Id(body, "LIST");
            U32(body, 10);
            Id(body, "INFO");
            body.insert(body.end(), {'a', 'b', 'c', 'd', 'e', 'f'});
        };
        auto dataChunk = [&] {
            Id(body, "data");
            U32(body, claimedDataSize >= 0 ? static_cast<uint32_t>(claimedDataSize)
                                           : static_cast<uint32_t>(data.size()));
            body.insert(body.end(), data.begin(), data.end());
            if (data.size() % 2) body.push_back(0);  // chunks are word-aligned
        };
        if (dataBeforeFmt) {
            dataChunk();
            if (listChunkBetween) list();
            fmt();
        } else {
            fmt();
            if (listChunkBetween) list();
            dataChunk();
        }
        std::vector<uint8_t> file;
        Id(file, riffId);
        U32(file, static_cast<uint32_t>(body.size()));
        file.insert(file.end(), body.begin(), body.end());
        return file;
    }

    static void Id(std::vector<uint8_t>& out, const std::string& id) { out.insert(out.end(), id.begin(), id.begin() + 4); }
    static void U16(std::vector<uint8_t>& out, uint32_t v) {
        out.push_back(static_cast<uint8_t>(v));
        out.push_back(static_cast<uint8_t>(v >> 8));
    }
    static void U32(std::vector<uint8_t>& out, uint32_t v) {
        U16(out, v & 0xFFFF);
        U16(out, v >> 16);
    }
};

// A sine of `hz` over `seconds` at `rate`, as 8-bit unsigned or 16-bit signed
// PCM with `channels` identical channels.
inline std::vector<uint8_t> SineData(double hz, double seconds, uint32_t rate, int bits, int channels,
                                     double amplitude = 0.5) {
    std::vector<uint8_t> out;
    const long frames = static_cast<long>(seconds * rate);
    for (long i = 0; i < frames; ++i) {
        const double x = amplitude * std::sin(2 * 3.14159265358979323846 * hz * i / rate);
        for (int c = 0; c < channels; ++c) {
            if (bits == 8) {
                out.push_back(static_cast<uint8_t>(std::lround(128 + 127 * x)));
            } else {
                const int16_t v = static_cast<int16_t>(std::lround(32767 * x));
                out.push_back(static_cast<uint8_t>(v & 0xFF));
                out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
            }
        }
    }
    return out;
}

// Bytes 0, 1, 2, ... (mod 251): a pattern whose every position is checkable.
inline std::vector<uint8_t> PatternData(size_t size) {
    std::vector<uint8_t> out(size);
    for (size_t i = 0; i < size; ++i) out[i] = static_cast<uint8_t>(i % 251);
    return out;
}

// Sample values as little-endian two's-complement integers of `bytes` bytes.
inline std::vector<uint8_t> IntegerData(const std::vector<int64_t>& values, int bytes) {
    std::vector<uint8_t> out;
    for (int64_t v : values) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i)));
    }
    return out;
}

// Sample values as IEEE floats of 4 or 8 bytes.
inline std::vector<uint8_t> FloatData(const std::vector<double>& values, int bytes = 4) {
    std::vector<uint8_t> out;
    for (double v : values) {
        uint64_t raw = 0;
        if (bytes == 4) {
            const float f = static_cast<float>(v);
            uint32_t r32;
            std::memcpy(&r32, &f, sizeof r32);
            raw = r32;
        } else {
            std::memcpy(&raw, &v, sizeof raw);
        }
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(raw >> (8 * i)));
    }
    return out;
}

// A sine of `hz` over `seconds` at `rate` as values in -1..1, `channels`
// identical values per frame.
inline std::vector<double> SineValues(double hz, double seconds, uint32_t rate, int channels, double amplitude = 0.5) {
    std::vector<double> out;
    const long frames = static_cast<long>(seconds * rate);
    for (long i = 0; i < frames; ++i) {
        const double x = amplitude * std::sin(2 * 3.14159265358979323846 * hz * i / rate);
        for (int c = 0; c < channels; ++c) out.push_back(x);
    }
    return out;
}

// The format-specific bytes of WAVE_FORMAT_EXTENSIBLE (cbSize 22 first) with
// the standard sub-format of `tag` (1 PCM, 3 IEEE float, 2 ADPCM ...).
inline std::vector<uint8_t> ExtensibleExtra(uint16_t tag, uint16_t validBits, uint32_t channelMask = 0) {
    std::vector<uint8_t> out;
    WavFile::U16(out, 22);
    WavFile::U16(out, validBits);
    WavFile::U32(out, channelMask);
    WavFile::U16(out, tag);
    out.insert(out.end(), {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71});
    return out;
}

// A complete file of sample format `tag` (1, 3 or 0xFFFE over `subTag`) and
// `bits`, with a "fmt " chunk as today's editors write it: 16 bytes for PCM,
// 18 for float, 40 for the extensible format.
inline WavFile FormatFile(uint16_t tag, uint16_t bits, uint16_t channels, std::vector<uint8_t> data,
                          uint16_t subTag = 1) {
    WavFile wav;
    wav.formatTag = tag;
    wav.bits = bits;
    wav.channels = channels;
    wav.data = std::move(data);
    if (tag == 0xFFFE) {
        wav.fmtExtra = ExtensibleExtra(subTag, bits, channels == 2 ? 3 : 4);
        wav.fmtSize = 40;
    } else if (tag != 1) {
        wav.fmtExtra = {0, 0};
        wav.fmtSize = 18;
    }
    return wav;
}
