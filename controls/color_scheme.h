// The seven colours of the user interface, all derived from one base colour
// through the HSV model, and the conversions they are derived with.
#pragma once

#include <cstdint>

#include "controls/color_ref.h"

#ifdef _WIN32
struct HWND__;
#endif

class ColorScheme {
public:
    // The system's own colours, until a base colour is applied.
    ColorScheme();
    virtual ~ColorScheme();
    ColorScheme(const ColorScheme&) = default;
    ColorScheme& operator=(const ColorScheme&) = default;

    void DeriveFromBase(Colorref rgb);

#ifdef _WIN32
    // The system colour dialog, starting from highlight2; returns the colour
    // it leaves as its result (highlight2 when cancelled).
    Colorref ChooseBaseColor(HWND__* ownerWindow) const;
#endif

    Colorref btnShadow;
    Colorref btnFace;
    Colorref btnHighlight;
    Colorref highlight;
    Colorref highlight2;
    Colorref highlightText;
    Colorref background;
};

// Packed HSV: bits 0-15 hue in degrees, 16-23 saturation %, 24-31 value %.
std::uint32_t RgbToHsv(Colorref rgb);
constexpr int HueOf(std::uint32_t hsv) { return static_cast<int>(hsv & 0xFFFF); }
constexpr int SaturationOf(std::uint32_t hsv) { return static_cast<int>((hsv >> 16) & 0xFF); }
constexpr int ValueOf(std::uint32_t hsv) { return static_cast<int>(hsv >> 24); }

// Hue in degrees (wrapped into 0..360), saturation and value in percent.
Colorref HsvToRgb(float hue, float saturationPercent, float valuePercent);

float Max3(float a, float b, float c);
float Min3(float a, float b, float c);

// One entry of the colour dialog's custom colours: three successive rand()
// values give blue, green and red, in that order.
Colorref RandomCustomColor();
