// The events a host window passes to its controls, and what a control answers.
#pragma once

enum ControlEvent {
    CE_NONE = 0,             // a dial's field lost the focus; hosts take no action
    CE_LBUTTONDOWN = 1,      // left press or double click
    CE_LBUTTONUP = 2,
    CE_RBUTTONDOWN = 4,
    CE_MOUSEMOVE = 64,
    CE_FIELD_RCLICK = 11021, // right press inside a dial's field
    CE_FIELD_CLICK = 11022,  // left press inside a dial's field
    CE_FIELD_COMMIT = 11023, // a dial's field text became the dial's value
};

// Results of HandleHit and OnMouse; only zero versus non-zero matters to the
// registry.
enum HitResult {
    HIT_NONE = 0,
    HIT_PRESSED = 1,   // a press was taken; the control holds the mouse
    HIT_ACTED = 16,    // release inside a pressed control, or a bar's drag step
    HIT_RCLICK = 32,   // right press inside the control
};
