#include "playback/window_transport_host.h"

void WindowTransportHost::Post(unsigned message, intptr_t wParam, intptr_t lParam) {
    PostMessageA(window_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

bool WindowTransportHost::IsCtrlDown() { return (GetAsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

void WindowTransportHost::BroadcastTransport(unsigned message) { Post(message, 0, 0); }
