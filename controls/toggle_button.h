// Bitmap buttons with an on/off state that flips on every completed click.
#pragma once

#include "controls/bmp_button.h"

class MToggleButton : public MBmpButton {
public:
    MToggleButton();
    ~MToggleButton() override;

    // On shows the pressed picture; while held down, the picture of the state
    // the release will give.
    void Draw(HDC dc) override;
    // As a push button, but the release flips the state and repaints through
    // invalidation.
    int HandleHit(int event, int x, int y) override;

    bool IsOn() const { return on_; }
    void SetOn(bool value);

protected:
    bool ShowsPressedLook() const { return pressed_ != on_; }

    bool on_ = false;
};

// A toggle with a second set of colours, switched on to mark one button among
// several (the playing measure).
class MDualToggleButton : public MToggleButton {
public:
    MDualToggleButton();
    ~MDualToggleButton() override;

    void Draw(HDC dc) override;

    // The first four as SetColors4; the alternate four are stored only.
    void SetColors8(COLORREF foreground, COLORREF background, COLORREF pressedForeground,
                    COLORREF pressedBackground, COLORREF altUpForeground, COLORREF altUpBackground,
                    COLORREF altDownForeground, COLORREF altDownBackground);
    // No repaint: the caller repaints.
    void SetUseAlternate(bool value) { useAlternate_ = value; }
    bool UseAlternate() const { return useAlternate_; }

private:
    bool useAlternate_ = false;
    COLORREF altUpForeground_;
    COLORREF altUpBackground_;
    COLORREF altDownForeground_;
    COLORREF altDownBackground_;
};
