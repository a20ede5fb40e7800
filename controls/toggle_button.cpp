#include "controls/toggle_button.h"

#include "controls/control_events.h"
#include "controls/control_registry.h"

MToggleButton::MToggleButton() { className_ = "MToggleButton"; }

MToggleButton::~MToggleButton() = default;

void MToggleButton::Draw(HDC dc) {
    DrawLook(dc, ShowsPressedLook(), foreground_, background_, pressedForeground_, pressedBackground_);
}

int MToggleButton::HandleHit(int event, int x, int y) {
    if (event != CE_LBUTTONUP) return MBmpButton::HandleHit(event, x, y);
    if (!Contains(x, y) || !pressed_) return 0;
    pressed_ = false;
    on_ = !on_;
    Show();
    ControlRegistry::SetCapturedControl(nullptr);
    return HIT_ACTED;
}

void MToggleButton::SetOn(bool value) {
    on_ = value;
    Show();
}

MDualToggleButton::MDualToggleButton()
    : altUpForeground_(GetSysColor(COLOR_BTNFACE)),
      altUpBackground_(GetSysColor(COLOR_HIGHLIGHT)),
      altDownForeground_(GetSysColor(COLOR_BTNFACE)),
      altDownBackground_(GetSysColor(COLOR_HIGHLIGHT)) {}

MDualToggleButton::~MDualToggleButton() = default;

void MDualToggleButton::Draw(HDC dc) {
    if (!useAlternate_) {
        MToggleButton::Draw(dc);
        return;
    }
    DrawLook(dc, ShowsPressedLook(), altUpForeground_, altUpBackground_, altDownForeground_, altDownBackground_);
}

void MDualToggleButton::SetColors8(COLORREF foreground, COLORREF background, COLORREF pressedForeground,
                                   COLORREF pressedBackground, COLORREF altUpForeground,
                                   COLORREF altUpBackground, COLORREF altDownForeground,
                                   COLORREF altDownBackground) {
    SetColors4(foreground, background, pressedForeground, pressedBackground);
    altUpForeground_ = altUpForeground;
    altUpBackground_ = altUpBackground;
    altDownForeground_ = altDownForeground;
    altDownBackground_ = altDownBackground;
}
