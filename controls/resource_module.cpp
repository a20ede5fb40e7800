#include "controls/resource_module.h"

#include <string>
#include <vector>

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

HCURSOR ResourceCursor(const char* name) {
    static std::vector<Loaded<HCURSOR>> cursors;
    return Remembered(cursors, name, [](HINSTANCE module, const char* n) { return LoadCursorA(module, n); });
}

HBITMAP SharedResourceBitmap(const char* name) {
    static std::vector<Loaded<HBITMAP>> bitmaps;
    return Remembered(bitmaps, name, [](HINSTANCE module, const char* n) { return LoadBitmapA(module, n); });
}
