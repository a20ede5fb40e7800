#include "controls/bar.h"

#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/dial_math.h"
#include "controls/gdi_helpers.h"
#include "controls/resource_module.h"

namespace {
constexpr COLORREF kUnpainted = 0xFFFFFFFF;
}

MBar::MBar() = default;  // stays "MButton": it takes mouse input

MBar::~MBar() = default;

void MBar::Create(int id, const std::string& text, int x, int y, int width, int height, ControlHost* parent,
                  bool horizontal) {
    Create(id, text, x, y, width, height, parent);
    horizontal_ = horizontal;
}

void MBar::SetColors3(COLORREF foreground, COLORREF background, COLORREF thumbColour) {
    thumbColour_ = thumbColour;
    MWnd::SetColors(foreground, background);
}

void MBar::SetRange(int min, int max) {
    min_ = min;
    max_ = max;
}

void MBar::SetValue(int v) {
    value_ = v;
    if (visible_) Show();
}

void MBar::Draw(HDC dc) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    const RECT& r = rect_;
    if (!horizontal_) {
        const int filled = BarFilledLength(value_, min_, max_, r.bottom - r.top);
        const int split = r.bottom - filled;
        const int half = thumbSize_ / 2;
        // The thumb lies over both parts; only what is painted is excluded, so
        // an unpainted part shows what lies beneath.
        if (thumbSize_ != -1) {
            const RECT thumb = {r.left, split - half, r.right, split + thumbSize_ - half};
            FillSolid(dc, thumb, thumbColour_);
            RECT covered;
            if (IntersectRect(&covered, &thumb, &r)) ExcludeRect(dc, covered);
        }
        if (background_ != kUnpainted) {
            const RECT empty = {r.left, r.top, r.right, split};
            FillSolid(dc, empty, background_);
            ExcludeRect(dc, empty);
        }
        if (foreground_ != kUnpainted) {
            const RECT full = {r.left, split, r.right, r.bottom};
            FillSolid(dc, full, foreground_);
            ExcludeRect(dc, full);
        }
        return;
    }
    const int width = r.right - r.left;
    const int filled = BarFilledLength(value_, min_, max_, width);
    FillSolid(dc, RECT{r.left, r.top, r.left + filled, r.bottom}, foreground_);
    FillSolid(dc, RECT{r.left + filled, r.top, r.left + filled + (width - filled), r.bottom}, background_);
    if (thumbSize_ != 0) {
        const int thumbLeft = r.left + filled - thumbSize_ / 2;
        FillSolid(dc, RECT{thumbLeft, r.top, thumbLeft + thumbSize_, r.bottom}, thumbColour_);
    }
    ExcludeRect(dc, r);
}

int MBar::ValueFromPoint(int x, int y) const {
    if (horizontal_) return BarValueAt(x - rect_.left, rect_.right - rect_.left, min_, max_);
    return BarValueAt(rect_.bottom - y, rect_.bottom - rect_.top, min_, max_);
}

bool MBar::Dragging() const { return pressed_ && ControlRegistry::CapturedControl() == this; }

void MBar::EndDrag() {
    pressed_ = false;
    if (ControlRegistry::CapturedControl() == this) ControlRegistry::SetCapturedControl(nullptr);
}

int MBar::OnMouse(int event, int x, int y) {
    if (!visible_) return 0;
    // The host window holds the mouse for the whole drag. Once it has lost
    // it (another window took it, or another control the press), the release
    // may have gone elsewhere: the drag is over, and no later event of
    // another control's is taken for it.
    if (pressed_ && (!Dragging() || GetCapture() != ParentWindow())) EndDrag();
    if (Contains(x, y) && cursor_) SetCursor(ZoomedCursor(cursor_));
    switch (event) {
    case CE_LBUTTONDOWN:
    case CE_LBUTTONUP:
    case CE_RBUTTONDOWN:
        pointerInside_ = true;
        return HandleHit(event, x, y);
    case CE_MOUSEMOVE:
        if (!Dragging()) return 0;
        if (cursor_) SetCursor(ZoomedCursor(cursor_));
        SetValue(ValueFromPoint(x, y));
        return HIT_ACTED;
    default:
        return 0;
    }
}

int MBar::HandleHit(int event, int x, int y) {
    switch (event) {
    case CE_LBUTTONDOWN:
        if (!Contains(x, y)) return 0;
        SetValue(ValueFromPoint(x, y));
        pressed_ = true;
        ControlRegistry::SetCapturedControl(this);
        // From the press on, moves and the release arrive wherever the
        // pointer goes, also when it leaves the window at once.
        if (HWND window = ParentWindow()) SetCapture(window);
        return HIT_ACTED;
    case CE_LBUTTONUP:
        if (!Dragging()) return 0;
        SetValue(ValueFromPoint(x, y));
        EndDrag();
        ReleaseCapture();
        return HIT_ACTED;
    case CE_RBUTTONDOWN:
        return Contains(x, y) ? HIT_RCLICK : 0;
    default:
        return 0;
    }
}
