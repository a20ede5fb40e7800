#include "ui/window_dpi.h"

namespace {
// A function of user32 that older systems lack; null there.
template <class Function>
Function User32Function(const char* name) {
    const FARPROC found = GetProcAddress(GetModuleHandleA("user32.dll"), name);
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using DialogDpiBehaviourFunction = BOOL(WINAPI*)(HWND, int, int);
constexpr int kDialogDisableAll = 1;  // DDC_DISABLE_ALL
}  // namespace

int WindowDpi(HWND window) {
    static const auto forWindow = User32Function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (forWindow && window) {
        if (const UINT dpi = forWindow(window)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

RECT WindowRectForClient(HWND window, const RECT& client) {
    static const auto adjustForDpi = User32Function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
    RECT rect = client;
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    const BOOL menu = GetMenu(window) != nullptr;
    if (!adjustForDpi || !adjustForDpi(&rect, style, menu, exStyle, static_cast<UINT>(WindowDpi(window)))) {
        rect = client;
        AdjustWindowRectEx(&rect, style, menu, exStyle);
    }
    return rect;
}

void KeepDialogLayoutOnDpiChange(HWND dialog) {
    static const auto setBehaviour = User32Function<DialogDpiBehaviourFunction>("SetDialogDpiChangeBehavior");
    if (setBehaviour) setBehaviour(dialog, kDialogDisableAll, kDialogDisableAll);
}
