#include "controls/button.h"

#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/gdi_helpers.h"
#include "controls/resource_module.h"

MButton::MButton() { className_ = "MButton"; }

MButton::~MButton() = default;

void MButton::Create(int id, const std::string& text, int x, int y, int width, int height, ControlHost* parent) {
    MWnd::Create(id, text, x, y, width, height, parent);
    pressedForeground_ = foreground_;
    pressedBackground_ = background_;
    cursor_ = nullptr;
}

void MButton::Create(int id, const std::string& text, const RECT& edges, ControlHost* parent) {
    Create(id, text, edges.left, edges.top, edges.right - edges.left, edges.bottom - edges.top, parent);
}

void MButton::SetColors(COLORREF foreground, COLORREF background) {
    MWnd::SetColors(foreground, background);
    pressedForeground_ = foreground;
    pressedBackground_ = background;
}

void MButton::SetColors4(COLORREF foreground, COLORREF background, COLORREF pressedForeground,
                         COLORREF pressedBackground) {
    pressedForeground_ = pressedForeground;
    pressedBackground_ = pressedBackground;
    MWnd::SetColors(foreground, background);
}

void MButton::SetCursorResource(const std::string& name) { cursor_ = ResourceCursor(name.c_str()); }

void MButton::Draw(HDC dc) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    // Pressed, the face moves down and right and leaves 2-pixel strips in the
    // foreground along the left and top edges.
    RECT inner = rect_;
    if (pressed_) {
        InflateRect(&inner, -1, -1);
        OffsetRect(&inner, 1, 1);
    }
    FillSolid(dc, inner, background_);
    DrawCaption(dc, inner, text_, foreground_);
    ExcludeRect(dc, inner);
    FillSolid(dc, rect_, foreground_);
    ExcludeRect(dc, rect_);
}

void MButton::ReleaseLook() {
    pressed_ = false;
    RepaintNow();
}

void MButton::PressLook() {
    pressed_ = true;
    RepaintNow();
}

int MButton::OnMouse(int event, int x, int y) {
    if (!visible_) return 0;
    switch (event) {
    case CE_LBUTTONUP: {
        // A release after the pointer was dragged off the held button does
        // nothing, whichever button sees it first.
        MButton* captured = ControlRegistry::CapturedControl();
        if (captured && !captured->IsPressed()) {
            ControlRegistry::SetCapturedControl(nullptr);
            return 0;
        }
        pointerInside_ = true;
        return HandleHit(event, x, y);
    }
    case CE_LBUTTONDOWN:
    case CE_RBUTTONDOWN:
        pointerInside_ = true;
        return HandleHit(event, x, y);
    case CE_MOUSEMOVE:
        if (ControlRegistry::CapturedControl() == this) {
            const bool inside = Contains(x, y);
            if (pressed_ && pointerInside_ && !inside) {
                ReleaseLook();
                pointerInside_ = false;
            }
            if (!pressed_ && !pointerInside_ && inside) {
                PressLook();
                pointerInside_ = true;
            }
        }
        return 0;  // moves over buttons never reach the host
    default:
        return 0;
    }
}

int MButton::HandleHit(int event, int x, int y) {
    if (!Contains(x, y)) return 0;
    switch (event) {
    case CE_LBUTTONDOWN:
        pressed_ = true;
        RepaintNow();
        ControlRegistry::SetCapturedControl(this);
        return HIT_PRESSED;
    case CE_LBUTTONUP:
        if (!pressed_) return 0;
        pressed_ = false;
        RepaintNow();
        ControlRegistry::SetCapturedControl(nullptr);
        return HIT_ACTED;
    case CE_RBUTTONDOWN:
        return HIT_RCLICK;
    default:
        return 0;
    }
}
