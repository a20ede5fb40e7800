// Builds RIFF/WAVE files byte by byte for tests, including broken ones.
#pragma once

#include <cmath>
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
