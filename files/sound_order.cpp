#include "files/sound_order.h"

#include <algorithm>

namespace {
// Unicode of the Windows-1252 bytes 0x80..0x9F; the rest are the same number.
constexpr unsigned short kHighBlock[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D,
    0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A,
    0x0153, 0x009D, 0x017E, 0x0178};

unsigned UpperUnicode(unsigned char byte) {
    unsigned c = byte >= 0x80 && byte < 0xA0 ? kHighBlock[byte - 0x80] : byte;
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    switch (c) {
    case 0x00FF: return 0x0178;
    case 0x0161: return 0x0160;
    case 0x0153: return 0x0152;
    case 0x017E: return 0x017D;
    default: return c;
    }
}
}  // namespace

bool NtfsNameLess(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned x = UpperUnicode(static_cast<unsigned char>(a[i]));
        const unsigned y = UpperUnicode(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    return a.size() < b.size();
}

void SortLikeNtfs(std::vector<std::string>& names) { std::stable_sort(names.begin(), names.end(), NtfsNameLess); }
