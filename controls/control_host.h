// What a window that hosts lightweight controls provides to them.
//
// The host paints its controls in WM_PAINT with ControlRegistry::PaintControls,
// turns its mouse messages into control events with id 0 (after its own
// processing, followed by the default window procedure) and passes them to
// OnControlEvent, and hands the notifications of its text fields back to them
// with ReflectFieldMessage (controls/edit.h) before anything else.
#pragma once

#include <windows.h>

class ControlHost {
public:
    virtual ~ControlHost() = default;
    // The window the controls paint into; null before it exists.
    virtual HWND HostWindow() const = 0;
    // event is a ControlEvent; id is 0 for the host's own mouse messages and
    // the field's id for events from a dial's text field.
    virtual void OnControlEvent(int event, int x, int y, int id) = 0;
    // Has a rectangle of the layout painted with its controls: by default at
    // the next WM_PAINT (its window pixels are invalidated); a host that can
    // paint at once does so.
    virtual void RepaintRect(const RECT& rect);
};

// The control event of a mouse message and its position in layout pixels
// (the client position divided by the zoom, rounded down: captured moves left
// of or above the window stay negative). False for messages that are no
// control event.
bool MouseMessageToEvent(UINT message, LPARAM lParam, int* event, int* x, int* y);
