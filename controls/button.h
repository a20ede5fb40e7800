// The text button and the mouse protocol of every button: a press takes the
// mouse, dragging off releases the look and dragging back presses it again,
// and only a release inside a pressed button counts as a click.
#pragma once

#include "controls/mwnd.h"

class MButton : public MWnd {
public:
    MButton();
    ~MButton() override;

    void Create(int id, const std::string& text, int x, int y, int width, int height, ControlHost* parent) override;
    // Goes through the other form, so derived buttons behave alike.
    void Create(int id, const std::string& text, const RECT& edges, ControlHost* parent) override;
    // Both looks get the same colours.
    void SetColors(COLORREF foreground, COLORREF background) override;
    void Draw(HDC dc) override;
    // A push button's reaction to an event the protocol passed on.
    virtual int HandleHit(int event, int x, int y);
    // What the registry calls: the common protocol of all buttons.
    virtual int OnMouse(int event, int x, int y);

    // Released and pressed colours; the first pair repaints a visible button.
    void SetColors4(COLORREF foreground, COLORREF background, COLORREF pressedForeground,
                    COLORREF pressedBackground);
    // Loads the named cursor resource, shown while the pointer is over the
    // visible button.
    void SetCursorResource(const std::string& name);

    bool IsPressed() const { return pressed_; }
    void SetPressed(bool pressed) { pressed_ = pressed; }
    HCURSOR GetCursor() const { return cursor_; }
    COLORREF PressedForeground() const { return pressedForeground_; }
    COLORREF PressedBackground() const { return pressedBackground_; }

    // Change the look and repaint at once.
    void ReleaseLook();
    void PressLook();

protected:
    bool pressed_ = false;
    bool pointerInside_ = false;
    COLORREF pressedForeground_ = 0;
    COLORREF pressedBackground_ = 0;
    HCURSOR cursor_ = nullptr;
};
