#include "playback/instance_link.h"

#include <cstring>

static_assert(sizeof kInstanceCaptionPrefix - 1 == kInstanceCaptionPrefixLength, "eleven characters");

bool HasInstanceCaptionPrefix(const char* caption) {
    return caption && std::strncmp(caption, kInstanceCaptionPrefix, kInstanceCaptionPrefixLength) == 0;
}

#ifdef _WIN32
uint16_t BroadcastToInstances(HWND anyTopLevelWindow, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = GetWindow(anyTopLevelWindow, GW_HWNDFIRST);
    const HWND last = GetWindow(anyTopLevelWindow, GW_HWNDLAST);
    uint16_t count = 0;
    for (int examined = 0; window && examined < kInstanceWalkLimit; ++examined) {
        char caption[64] = {};
        GetWindowTextA(window, caption, sizeof caption);
        if (HasInstanceCaptionPrefix(caption)) {
            PostMessageA(window, message, wParam, lParam);
            ++count;
        }
        if (window == last) break;
        window = GetWindow(window, GW_HWNDNEXT);
    }
    return count;
}
#endif
