// The sequencer's host in the Windows program: posts to the main window and
// reads the Ctrl key at the moment of the action.
#pragma once
#include <windows.h>

#include "playback/transport_ports.h"

class WindowTransportHost : public TransportHost {
public:
    explicit WindowTransportHost(HWND window = nullptr) : window_(window) {}
    void SetWindow(HWND window) { window_ = window; }

    void Post(unsigned message, intptr_t wParam, intptr_t lParam) override;
    bool IsCtrlDown() override;
    // Every running copy, found by its caption, this one included.
    void BroadcastTransport(unsigned message) override;

private:
    HWND window_;
};
