#include "controls/control_host.h"

#include "controls/control_events.h"

void ControlHost::RepaintRect(const RECT& rect) {
    if (HWND window = HostWindow()) InvalidateRect(window, &rect, FALSE);
}

bool MouseMessageToEvent(UINT message, LPARAM lParam, int* event, int* x, int* y) {
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: *event = CE_LBUTTONDOWN; break;
    case WM_LBUTTONUP: *event = CE_LBUTTONUP; break;
    case WM_MOUSEMOVE: *event = CE_MOUSEMOVE; break;
    case WM_RBUTTONDOWN: *event = CE_RBUTTONDOWN; break;
    default: return false;
    }
    *x = static_cast<short>(LOWORD(lParam));
    *y = static_cast<short>(HIWORD(lParam));
    return true;
}
