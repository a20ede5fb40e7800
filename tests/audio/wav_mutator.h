// Reproducible damage to WAV files: the kinds of change a broken tool, a cut
// download or a hostile sender makes, chosen by a seeded generator that gives
// the same files on every platform and compiler.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

// splitmix64: the same sequence everywhere (the standard distributions are
// not specified exactly, so they are not used).
class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 .. n-1 (n > 0).
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }

private:
    uint64_t state_;
};

// One to four changes to `wav`: bits flipped, bytes and 16- or 32-bit fields
// overwritten with telling values (the format's fields and the chunk sizes
// most often), the file cut short or padded, bytes inserted or removed,
// chunk ids broken.
inline std::vector<uint8_t> MutateWav(std::vector<uint8_t> wav, SeededRandom& random) {
    static const uint32_t kTelling[] = {0,          1,          2,          3,          4,      8,      16,     18,
                                        22,         24,         32,         40,         0x7F,   0x80,   0xFF,   0x100,
                                        0xFFFE,     0xFFFF,     0x10000,    0x7FFFFFFF, 0x80000000u,    0xFFFFFFFEu,
                                        0xFFFFFFFFu, 44100,     200000,     200001};
    // The fields of the first "fmt " of a file written fmt-first: tag,
    // channels, rate, byte rate, alignment, bits, size field, valid bits.
    static const uint32_t kFormatFields[] = {20, 22, 24, 28, 32, 34, 36, 38};
    auto put = [&](size_t at, uint32_t value, int bytes) {
        for (int i = 0; i < bytes && at + i < wav.size(); ++i) wav[at + i] = static_cast<uint8_t>(value >> (8 * i));
    };
    const int changes = 1 + static_cast<int>(random.Below(4));
    for (int c = 0; c < changes && !wav.empty(); ++c) {
        const size_t size = wav.size();
        const size_t at = random.Below(static_cast<uint32_t>(size));
        switch (random.Below(9)) {
            case 0:  // a flipped bit
                wav[at] ^= static_cast<uint8_t>(1u << random.Below(8));
                break;
            case 1:  // a byte of any value
                wav[at] = static_cast<uint8_t>(random.Below(256));
                break;
            case 2: {  // a chunk size: the RIFF's, the first sub-chunk's, or one anywhere
                const size_t sizes[] = {4, 16, at & ~size_t{3}};
                put(sizes[random.Below(3)], kTelling[random.Below(sizeof kTelling / sizeof *kTelling)], 4);
                break;
            }
            case 3: {  // a format field
                const uint32_t field = kFormatFields[random.Below(sizeof kFormatFields / sizeof *kFormatFields)];
                const int bytes = field == 24 || field == 28 ? 4 : 2;
                put(field, kTelling[random.Below(sizeof kTelling / sizeof *kTelling)], bytes);
                break;
            }
            case 4:  // cut short
                wav.resize(at);
                break;
            case 5:  // bytes inserted
                wav.insert(wav.begin() + static_cast<std::ptrdiff_t>(at), 1 + random.Below(16),
                           static_cast<uint8_t>(random.Below(256)));
                break;
            case 6:  // bytes removed
                wav.erase(wav.begin() + static_cast<std::ptrdiff_t>(at),
                          wav.begin() + static_cast<std::ptrdiff_t>(std::min(size, at + 1 + random.Below(16))));
                break;
            case 7: {  // a chunk id broken, or turned into another known one
                static const char* const kIds[] = {"RIFF", "WAVE", "fmt ", "data", "LIST", "fmt\0", "DATA"};
                const size_t ids[] = {0, 8, 12, at & ~size_t{3}};
                const char* id = kIds[random.Below(sizeof kIds / sizeof *kIds)];
                const size_t where = ids[random.Below(4)];
                for (int i = 0; i < 4 && where + i < wav.size(); ++i) wav[where + i] = static_cast<uint8_t>(id[i]);
                break;
            }
            default:  // padding behind the end
                wav.insert(wav.end(), random.Below(64), static_cast<uint8_t>(random.Below(256)));
                break;
        }
    }
    return wav;
}
