// Colours as Windows stores them, 0x00BBGGRR, usable without <windows.h>.
#pragma once

#include <cstdint>

// The same bits as the platform's COLORREF.
using Colorref = std::uint32_t;

constexpr Colorref MakeColorref(int red, int green, int blue) {
    return static_cast<Colorref>(red & 0xFF) | (static_cast<Colorref>(green & 0xFF) << 8) |
           (static_cast<Colorref>(blue & 0xFF) << 16);
}
constexpr int RedOf(Colorref colour) { return static_cast<int>(colour & 0xFF); }
constexpr int GreenOf(Colorref colour) { return static_cast<int>((colour >> 8) & 0xFF); }
constexpr int BlueOf(Colorref colour) { return static_cast<int>((colour >> 16) & 0xFF); }
