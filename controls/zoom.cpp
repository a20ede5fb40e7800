#include "controls/zoom.h"

#include <vector>

#include "controls/gdi_helpers.h"

namespace Zoom {
namespace {
int g_factor = 1;
}  // namespace

int Factor() { return g_factor; }

void SetFactor(int factor) { g_factor = factor < 1 ? 1 : factor > kZoomMax ? kZoomMax : factor; }

int ToWindow(int layout) { return layout * g_factor; }

RECT ToWindow(const RECT& layout) {
    return {layout.left * g_factor, layout.top * g_factor, layout.right * g_factor, layout.bottom * g_factor};
}

int ToLayout(int window) { return LayoutFromWindow(window, g_factor); }

HRGN LayoutRegion(HRGN windowRegion, int zoom) {
    HRGN layout = CreateRectRgn(0, 0, 0, 0);
    const DWORD size = GetRegionData(windowRegion, 0, nullptr);
    if (size == 0) return layout;
    std::vector<char> buffer(size);
    auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
    if (!GetRegionData(windowRegion, size, data)) return layout;
    const RECT* rects = reinterpret_cast<const RECT*>(data->Buffer);
    for (DWORD i = 0; i < data->rdh.nCount; ++i) {
        const RECT& r = rects[i];
        HRGN part = CreateRectRgn(LayoutFromWindow(r.left, zoom), LayoutFromWindow(r.top, zoom),
                                  LayoutCoveringWindow(r.right, zoom), LayoutCoveringWindow(r.bottom, zoom));
        CombineRgn(layout, layout, part, RGN_OR);
        DeleteObject(part);
    }
    return layout;
}

HBITMAP EnlargeBitmap(HBITMAP source, int zoom) {
    BITMAP info = {};
    if (!GetObjectA(source, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return nullptr;
    // Read as 32-bit pixels whatever the depth; a 1-bit picture gives black and white.
    BITMAPINFO format = TopDownColourFormat(info.bmWidth, info.bmHeight);
    std::vector<std::uint32_t> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    const int read = GetDIBits(screen, source, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (read != info.bmHeight) return nullptr;
    const std::vector<std::uint32_t> large = EnlargePixels(pixels.data(), info.bmWidth, info.bmHeight, zoom);
    const int width = info.bmWidth * zoom, height = info.bmHeight * zoom;
    format = TopDownColourFormat(width, height);
    HBITMAP result = nullptr;
    if (info.bmBitsPixel == 1) {
        result = CreateBitmap(width, height, 1, 1, nullptr);
        HDC dc = CreateCompatibleDC(nullptr);
        if (result && !SetDIBits(dc, result, 0, height, large.data(), &format, DIB_RGB_COLORS)) {
            DeleteObject(result);
            result = nullptr;
        }
        DeleteDC(dc);
    } else {
        void* bits = nullptr;
        result = CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (result) CopyMemory(bits, large.data(), large.size() * sizeof large[0]);
    }
    return result;
}

}  // namespace Zoom
