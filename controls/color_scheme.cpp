#include "controls/color_scheme.h"

#include <cstdlib>

#include "controls/system_colors.h"

ColorScheme::ColorScheme()
    : btnShadow(SystemColor(kColorBtnShadow)),
      btnFace(SystemColor(kColorBtnFace)),
      btnHighlight(SystemColor(kColorBtnHighlight)),
      highlight(SystemColor(kColorHighlight)),
      highlight2(SystemColor(kColorHighlight)),
      highlightText(SystemColor(kColorHighlightText)),
      background(SystemColor(kColorBackground)) {}

ColorScheme::~ColorScheme() = default;

void ColorScheme::DeriveFromBase(Colorref rgb) {
    const std::uint32_t hsv = RgbToHsv(rgb);
    const int h = HueOf(hsv);
    // Only the hue of the base carries over; its value picks the table.
    if (ValueOf(hsv) <= 70) {
        btnShadow = HsvToRgb(h - 10, 30, 90);
        btnFace = HsvToRgb(h - 50, 40, 70);
        btnHighlight = HsvToRgb(h, 80, 15);
        highlight = HsvToRgb(h + 10, 60, 60);
        highlight2 = HsvToRgb(h, 45, 40);
        highlightText = HsvToRgb(h, 90, 0);
        background = HsvToRgb(h - 100, 50, 70);
    } else {
        btnShadow = HsvToRgb(h + 90, 50, 40);
        btnFace = HsvToRgb(h - 10, 60, 70);
        btnHighlight = HsvToRgb(h, 10, 100);
        highlight = HsvToRgb(h - 100, 50, 75);
        highlight2 = HsvToRgb(h, 30, 100);
        highlightText = HsvToRgb(h - 100, 40, 45);
        background = HsvToRgb(h + 40, 40, 60);
    }
}

float Max3(float a, float b, float c) {
    float m = a > b ? a : b;
    return m > c ? m : c;
}

float Min3(float a, float b, float c) {
    float m = a < b ? a : b;
    return m < c ? m : c;
}

// Single precision throughout: the derived colours must come out to the same
// bytes on every build.
std::uint32_t RgbToHsv(Colorref rgb) {
    const float scale = 0.00392156862745098f;  // 1/255
    const float r = static_cast<float>(RedOf(rgb)) * scale;
    const float g = static_cast<float>(GreenOf(rgb)) * scale;
    const float b = static_cast<float>(BlueOf(rgb)) * scale;
    const float max = Max3(r, g, b);
    const float min = Min3(r, g, b);
    const float v = max;
    float h = 0.0f;
    float s = 0.0f;
    if (max != 0.0f) {
        const float delta = max - min;
        s = delta / max;
        if (s != 0.0f) {
            const float rc = (max - r) / delta;
            const float gc = (max - g) / delta;
            const float bc = (max - b) / delta;
            if (max == r) {
                h = bc - gc;
            } else if (max == g) {
                h = 2.0f + rc - bc;
            } else if (max == b) {
                h = 4.0f + gc - rc;
            }
            h = h * 60.0f;
            if (h < 0.0f) h = h + 360.0f;
        }
    }
    const auto hue = static_cast<std::uint32_t>(static_cast<int>(h)) & 0xFFFF;
    const auto sat = static_cast<std::uint32_t>(static_cast<int>(s * 100.0f)) & 0xFF;
    const auto val = static_cast<std::uint32_t>(static_cast<int>(v * 100.0f)) & 0xFF;
    return hue | (sat << 16) | (val << 24);
}

namespace {
float Clamp01(float x) {
    if (x < 0.0f) return 0.0f;
    if (x > 1.0f) return 1.0f;
    return x;
}
}  // namespace

Colorref HsvToRgb(float hue, float saturationPercent, float valuePercent) {
    if (hue < 0.0f) hue += 360.0f;
    if (hue > 360.0f) {
        hue -= 360.0f;
        if (hue > 360.0f) hue = 360.0f;
    }
    if (hue < 0.0f) hue = 0.0f;
    const float s = Clamp01(saturationPercent * 0.01f);
    const float v = Clamp01(valuePercent * 0.01f);

    float red, green, blue;
    if (s == 0.0f) {
        red = green = blue = v;
    } else {
        if (hue == 360.0f) hue = 0.0f;
        const float q = hue / 60.0f;
        const int i = static_cast<int>(q);
        const float f = q - static_cast<float>(i);
        const float p = v * (1.0f - s);
        const float t1 = v * (1.0f - s * f);
        const float t2 = v * (1.0f - s * (1.0f - f));
        switch (i) {
        case 0: red = v; green = t2; blue = p; break;
        case 1: red = t1; green = v; blue = p; break;
        case 2: red = p; green = v; blue = t2; break;
        case 3: red = p; green = t1; blue = v; break;
        case 4: red = t2; green = p; blue = v; break;
        case 5: red = v; green = p; blue = t1; break;
        default: red = green = blue = 1.0f; break;
        }
    }
    return MakeColorref(static_cast<int>(red * 255.0f), static_cast<int>(green * 255.0f),
                        static_cast<int>(blue * 255.0f));
}

Colorref RandomCustomColor() {
    const int blue = std::rand() % 256;
    const int green = std::rand() % 256;
    const int red = std::rand() % 256;
    return MakeColorref(red, green, blue);
}
