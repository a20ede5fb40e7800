// A level bar: filled from the bottom up (or from the left), with a thumb line
// at the level; pressing and dragging set the value from the pointer. A press
// takes the mouse for the host window; the drag ends at the release or when
// the window loses the mouse.
#pragma once

#include "controls/button.h"

class MBar : public MButton {
public:
    MBar();
    ~MBar() override;

    using MButton::Create;
    void Create(int id, const std::string& text, int x, int y, int width, int height, ControlHost* parent,
                bool horizontal);
    // A colour of 0xFFFFFFFF leaves that part of a vertical bar unpainted.
    void Draw(HDC dc) override;
    int HandleHit(int event, int x, int y) override;
    int OnMouse(int event, int x, int y) override;
    virtual void SetColors3(COLORREF foreground, COLORREF background, COLORREF thumbColour);

    // No repaint. min must lie below max; an equal pair draws an empty bar.
    void SetRange(int min, int max);
    void SetThumbSize(int size) { thumbSize_ = size; }
    int GetValue() const { return value_; }
    // Not clamped; repaints a visible bar.
    void SetValue(int v);

    // The value at a client point, beyond the ends the value of that end.
    int ValueFromPoint(int x, int y) const;

    // Pressed, and holding the mouse.
    bool Dragging() const;

    bool IsHorizontal() const { return horizontal_; }
    int Min() const { return min_; }
    int Max() const { return max_; }
    int ThumbSize() const { return thumbSize_; }
    COLORREF ThumbColour() const { return thumbColour_; }

private:
    void EndDrag();

    COLORREF thumbColour_ = 0;
    bool horizontal_ = false;
    int value_ = 25;
    int min_ = 0;
    int max_ = 100;
    int thumbSize_ = 2;
};
