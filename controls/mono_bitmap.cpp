#include "controls/mono_bitmap.h"

#include "controls/paint_cache.h"
#include "controls/resource_module.h"

namespace {
bool RunningOnNt() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}
}  // namespace

MonoBitmap::MonoBitmap() : keepLoaded_(RunningOnNt()) {}

MonoBitmap::MonoBitmap(bool keepLoaded) : keepLoaded_(keepLoaded) {}

MonoBitmap::~MonoBitmap() {
    if (bitmap_ && ownsBitmap_) DeleteObject(bitmap_);
}

void MonoBitmap::Load(const std::string& name) {
    name_ = name;
    if (!keepLoaded_) return;
    if (bitmap_ && ownsBitmap_) DeleteObject(bitmap_);
    // A held picture is the one loaded for every picture of its name.
    module_ = ResourceModule();
    bitmap_ = SharedResourceBitmap(name_.c_str());
    ownsBitmap_ = !bitmap_;
    if (!bitmap_) bitmap_ = CreateBitmap(0, 0, 1, 1, nullptr);
}

HBITMAP MonoBitmap::LoadFromResources() const {
    HBITMAP bitmap = LoadBitmapA(ResourceModule(), name_.c_str());
    return bitmap ? bitmap : CreateBitmap(0, 0, 1, 1, nullptr);
}

HBITMAP MonoBitmap::Acquire() const { return keepLoaded_ ? bitmap_ : LoadFromResources(); }

void MonoBitmap::ReleaseAfterUse(HBITMAP bitmap) const {
    if (!keepLoaded_ && bitmap) DeleteObject(bitmap);
}

SIZE MonoBitmap::GetSize() {
    SIZE size = {0, 0};
    HBITMAP bitmap = Acquire();
    BITMAP info = {};
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) size = {info.bmWidth, info.bmHeight};
    ReleaseAfterUse(bitmap);
    return size;
}

void MonoBitmap::Draw(HDC dc, COLORREF colourForBlack, COLORREF colourForWhite, int x, int y) {
    if (keepLoaded_) {
        // A held bitmap is tinted once per pair of colours and then only copied.
        const PaintCache::TintedPicture tinted = PaintCache::Tinted(module_, name_, bitmap_, colourForBlack, colourForWhite);
        if (tinted.dc) {
            BitBlt(dc, x, y, tinted.width, tinted.height, tinted.dc, 0, 0, SRCCOPY);
            return;
        }
    }
    const int saved = SaveDC(dc);
    HBITMAP bitmap = Acquire();
    BITMAP info = {};
    if (bitmap && GetObjectA(bitmap, sizeof info, &info)) {
        // A monochrome source takes the destination's text colour for its 0
        // bits and its background colour for its 1 bits: this is the tinting.
        SetTextColor(dc, colourForBlack);
        SetBkColor(dc, colourForWhite);
        HDC memory = CreateCompatibleDC(dc);
        const int memorySaved = SaveDC(memory);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        RestoreDC(memory, memorySaved);
        DeleteDC(memory);
    }
    RestoreDC(dc, saved);
    ReleaseAfterUse(bitmap);
}
