#include "controls/paint_cache.h"

#include <vector>

namespace PaintCache {
namespace {

struct Picture {
    std::string key;
    COLORREF ink, paper;
    HDC dc;
    HBITMAP colour;
    HGDIOBJ previous;
    int width, height;
};

struct Brush {
    COLORREF colour;
    HBRUSH brush;
};

// Whatever varies colours other than a scheme change (a test, a tool) could
// otherwise grow the cache without end.
constexpr size_t kMaxPictures = 512;
constexpr size_t kMaxBrushes = 256;

std::vector<Picture>& Pictures() {
    static std::vector<Picture> pictures;
    return pictures;
}

std::vector<Brush>& Brushes() {
    static std::vector<Brush> brushes;
    return brushes;
}

const Picture* Find(const std::string& key, COLORREF ink, COLORREF paper) {
    for (const Picture& p : Pictures()) {
        if (p.ink == ink && p.paper == paper && p.key == key) return &p;
    }
    return nullptr;
}

// A 32-bit colour picture, whatever the screen: copying it to a window or
// into a bitmap of any depth converts each colour exactly as drawing there
// would.
bool MakePicture(Picture& picture) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = picture.width;
    format.bmiHeader.biHeight = -picture.height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    picture.dc = CreateCompatibleDC(nullptr);
    picture.colour = picture.dc ? CreateDIBSection(picture.dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!picture.colour) {
        if (picture.dc) DeleteDC(picture.dc);
        return false;
    }
    picture.previous = SelectObject(picture.dc, picture.colour);
    SetTextColor(picture.dc, picture.ink);
    SetBkColor(picture.dc, picture.paper);
    return true;
}

TintedPicture Keep(const Picture& picture) {
    if (Pictures().size() >= kMaxPictures) Clear();
    Pictures().push_back(picture);
    return {picture.dc, picture.width, picture.height};
}

}  // namespace

TintedPicture Tinted(const std::string& name, HBITMAP mono, COLORREF ink, COLORREF paper) {
    if (const Picture* found = Find(name, ink, paper)) return {found->dc, found->width, found->height};
    BITMAP info = {};
    if (!mono || !GetObjectA(mono, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return {nullptr, 0, 0};
    Picture picture = {name, ink, paper, nullptr, nullptr, nullptr, info.bmWidth, info.bmHeight};
    if (!MakePicture(picture)) return {nullptr, 0, 0};
    // A monochrome source takes the destination's text colour for its 0 bits
    // and its background colour for its 1 bits: this is the tinting.
    HDC source = CreateCompatibleDC(picture.dc);
    HGDIOBJ oldSource = SelectObject(source, mono);
    BitBlt(picture.dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, oldSource);
    DeleteDC(source);
    GdiFlush();
    return Keep(picture);
}

TintedPicture Rendered(const std::string& key, COLORREF ink, COLORREF paper, int width, int height,
                       const std::function<void(HDC)>& render) {
    if (const Picture* found = Find(key, ink, paper)) return {found->dc, found->width, found->height};
    if (width <= 0 || height <= 0) return {nullptr, 0, 0};
    Picture picture = {key, ink, paper, nullptr, nullptr, nullptr, width, height};
    if (!MakePicture(picture)) return {nullptr, 0, 0};
    const int saved = SaveDC(picture.dc);
    render(picture.dc);
    RestoreDC(picture.dc, saved);
    GdiFlush();
    return Keep(picture);
}

HBRUSH SolidBrush(COLORREF colour) {
    std::vector<Brush>& brushes = Brushes();
    for (const Brush& b : brushes) {
        if (b.colour == colour) return b.brush;
    }
    if (brushes.size() >= kMaxBrushes) {
        for (const Brush& b : brushes) DeleteObject(b.brush);
        brushes.clear();
    }
    HBRUSH brush = CreateSolidBrush(colour);
    if (brush) brushes.push_back({colour, brush});
    return brush;
}

void Clear() {
    for (const Picture& picture : Pictures()) {
        SelectObject(picture.dc, picture.previous);
        DeleteObject(picture.colour);
        DeleteDC(picture.dc);
    }
    Pictures().clear();
    for (const Brush& brush : Brushes()) DeleteObject(brush.brush);
    Brushes().clear();
}

}  // namespace PaintCache
