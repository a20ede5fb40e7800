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
    // Reaches this copy only, for now; running copies will find one another
    // by their caption and take part here.
    void BroadcastTransport(unsigned message) override;

private:
    HWND window_;
};
