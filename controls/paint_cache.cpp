#include "controls/paint_cache.h"

#include <vector>

#include "controls/gdi_helpers.h"

namespace PaintCache {
namespace {

struct Picture {
    HINSTANCE module;  // of a tinted resource; null for a rendered picture
    std::string key;
    COLORREF ink, paper;
    ColourBitmap surface;
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

const Picture* Find(HINSTANCE module, const std::string& key, COLORREF ink, COLORREF paper) {
    for (const Picture& p : Pictures()) {
        if (p.ink == ink && p.paper == paper && p.module == module && p.key == key) return &p;
    }
    return nullptr;
}

bool MakePicture(Picture& picture) {
    if (!CreateColourBitmap(picture.width, picture.height, &picture.surface)) return false;
    SetTextColor(picture.surface.dc, picture.ink);
    SetBkColor(picture.surface.dc, picture.paper);
    return true;
}

TintedPicture Keep(const Picture& picture) {
    if (Pictures().size() >= kMaxPictures) Clear();
    Pictures().push_back(picture);
    return {picture.surface.dc, picture.width, picture.height};
}

}  // namespace

TintedPicture Tinted(HINSTANCE module, const std::string& name, HBITMAP mono, COLORREF ink, COLORREF paper) {
    if (const Picture* found = Find(module, name, ink, paper)) return {found->surface.dc, found->width, found->height};
    BITMAP info = {};
    if (!mono || !GetObjectA(mono, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return {nullptr, 0, 0};
    Picture picture = {module, name, ink, paper, {}, info.bmWidth, info.bmHeight};
    if (!MakePicture(picture)) return {nullptr, 0, 0};
    // A monochrome source takes the destination's text colour for its 0 bits
    // and its background colour for its 1 bits: this is the tinting.
    HDC source = CreateCompatibleDC(picture.surface.dc);
    HGDIOBJ oldSource = SelectObject(source, mono);
    BitBlt(picture.surface.dc, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
    SelectObject(source, oldSource);
    DeleteDC(source);
    GdiFlush();
    return Keep(picture);
}

TintedPicture Rendered(const std::string& key, COLORREF ink, COLORREF paper, int width, int height,
                       const std::function<void(HDC)>& render) {
    if (const Picture* found = Find(nullptr, key, ink, paper)) return {found->surface.dc, found->width, found->height};
    if (width <= 0 || height <= 0) return {nullptr, 0, 0};
    Picture picture = {nullptr, key, ink, paper, {}, width, height};
    if (!MakePicture(picture)) return {nullptr, 0, 0};
    const int saved = SaveDC(picture.surface.dc);
    render(picture.surface.dc);
    RestoreDC(picture.surface.dc, saved);
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
    for (Picture& picture : Pictures()) DeleteColourBitmap(picture.surface);
    Pictures().clear();
    for (const Brush& brush : Brushes()) DeleteObject(brush.brush);
    Brushes().clear();
}

}  // namespace PaintCache
