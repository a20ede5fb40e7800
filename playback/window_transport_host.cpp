#include "playback/window_transport_host.h"

#include "controls/key_state.h"
#include "playback/instance_link.h"

void WindowTransportHost::Post(unsigned message, intptr_t wParam, intptr_t lParam) {
    PostMessageA(window_, message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

bool WindowTransportHost::IsCtrlDown() { return (AsyncKeyState(VK_CONTROL) & 0x8000) != 0; }

void WindowTransportHost::BroadcastTransport(unsigned message) { BroadcastToInstances(window_, message, 0, 0); }
