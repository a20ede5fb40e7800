#include "controls/zoom_factor.h"

#include <cstddef>

int ZoomForDpi(int dpi) {
    const int nearest = (dpi + kLayoutDpi / 2) / kLayoutDpi;
    return nearest < 1 ? 1 : nearest > kZoomMax ? kZoomMax : nearest;
}

int ZoomFor(int choice, int dpi) { return choice >= 1 && choice <= kZoomMax ? choice : ZoomForDpi(dpi); }

int LayoutFromWindow(int window, int zoom) {
    return window >= 0 ? window / zoom : -((-window + zoom - 1) / zoom);
}

int LayoutCoveringWindow(int window, int zoom) { return LayoutFromWindow(window - 1, zoom) + 1; }

std::vector<std::uint32_t> EnlargePixels(const std::uint32_t* pixels, int width, int height, int zoom) {
    if (width <= 0 || height <= 0 || zoom < 1) return {};
    const std::size_t wide = static_cast<std::size_t>(width) * zoom;
    std::vector<std::uint32_t> out(wide * height * zoom);
    for (std::size_t y = 0; y < out.size() / wide; ++y) {
        const std::uint32_t* row = pixels + y / zoom * width;
        for (std::size_t x = 0; x < wide; ++x) out[y * wide + x] = row[x / zoom];
    }
    return out;
}
