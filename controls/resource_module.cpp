#include "controls/resource_module.h"

#include <string>
#include <vector>

#include "controls/zoom.h"

namespace {
HINSTANCE g_module = nullptr;

template <class Handle>
struct Loaded {
    HINSTANCE module;
    std::string name;
    Handle handle;
};

template <class Handle, class Load>
Handle Remembered(std::vector<Loaded<Handle>>& loaded, const char* name, Load load) {
    const HINSTANCE module = ResourceModule();
    for (const Loaded<Handle>& entry : loaded) {
        if (entry.module == module && entry.name == name) return entry.handle;
    }
    const Handle handle = load(module, name);
    loaded.push_back({module, name, handle});
    return handle;
}
}  // namespace

HINSTANCE ResourceModule() { return g_module ? g_module : GetModuleHandleA(nullptr); }

void SetResourceModule(HINSTANCE module) { g_module = module; }

namespace {
std::vector<Loaded<HCURSOR>>& Cursors() {
    static std::vector<Loaded<HCURSOR>> cursors;
    return cursors;
}

struct ZoomedCopy {
    HCURSOR cursor;
    int zoom;
    HCURSOR copy;
};

// The cursor resource at its own size (LoadCursorA gives the system's cursor
// size, which a high-DPI screen enlarges already), every pixel repeated.
HCURSOR MakeZoomedCursor(const Loaded<HCURSOR>& entry, int zoom) {
    HCURSOR own = static_cast<HCURSOR>(LoadImageA(entry.module, entry.name.c_str(), IMAGE_CURSOR, 0, 0, 0));
    ICONINFO info = {};
    if (!own || !GetIconInfo(own, &info)) {
        if (own) DestroyCursor(own);
        return nullptr;
    }
    ICONINFO large = {FALSE, info.xHotspot * zoom, info.yHotspot * zoom, Zoom::EnlargeBitmap(info.hbmMask, zoom),
                      info.hbmColor ? Zoom::EnlargeBitmap(info.hbmColor, zoom) : nullptr};
    HCURSOR made = large.hbmMask && (large.hbmColor || !info.hbmColor) ? CreateIconIndirect(&large) : nullptr;
    for (HBITMAP bitmap : {info.hbmMask, info.hbmColor, large.hbmMask, large.hbmColor})
        if (bitmap) DeleteObject(bitmap);
    DestroyCursor(own);
    return made;
}
}  // namespace

HCURSOR ResourceCursor(const char* name) {
    return Remembered(Cursors(), name, [](HINSTANCE module, const char* n) { return LoadCursorA(module, n); });
}

HCURSOR ZoomedCursor(HCURSOR cursor) {
    const int zoom = Zoom::Factor();
    if (zoom == 1 || !cursor) return cursor;
    static std::vector<ZoomedCopy> copies;
    for (const ZoomedCopy& c : copies) {
        if (c.cursor == cursor && c.zoom == zoom) return c.copy;
    }
    for (const Loaded<HCURSOR>& entry : Cursors()) {
        if (entry.handle != cursor) continue;
        HCURSOR copy = MakeZoomedCursor(entry, zoom);
        if (!copy) return cursor;
        copies.push_back({cursor, zoom, copy});
        return copy;
    }
    return cursor;  // not one of ours: shown as it is
}

HBITMAP SharedResourceBitmap(const char* name) {
    static std::vector<Loaded<HBITMAP>> bitmaps;
    return Remembered(bitmaps, name, [](HINSTANCE module, const char* n) { return LoadBitmapA(module, n); });
}
