#include "controls/control_host.h"

#include "controls/control_events.h"
#include "controls/zoom.h"

void ControlHost::RepaintRect(const RECT& rect) {
    const RECT shown = Zoom::ToWindow(rect);
    if (HWND window = HostWindow()) InvalidateRect(window, &shown, FALSE);
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
    *x = Zoom::ToLayout(static_cast<short>(LOWORD(lParam)));
    *y = Zoom::ToLayout(static_cast<short>(HIWORD(lParam)));
    return true;
}
