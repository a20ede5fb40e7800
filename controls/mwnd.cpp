#include "controls/mwnd.h"

#include "controls/control_host.h"
#include "controls/control_registry.h"
#include "controls/gdi_helpers.h"
#include "controls/zoom.h"

MWnd::MWnd() = default;

MWnd::~MWnd() = default;

void MWnd::Create(int id, const std::string& text, int x, int y, int width, int height, ControlHost* parent) {
    CreateWithRect(id, text, RECT{x, y, x + width, y + height}, parent);
}

void MWnd::Create(int id, const std::string& text, const RECT& edges, ControlHost* parent) {
    CreateWithRect(id, text, edges, parent);
}

void MWnd::CreateWithRect(int id, const std::string& text, const RECT& rect, ControlHost* parent) {
    id_ = id;
    parent_ = parent;
    text_ = text;
    rect_ = rect;
    ControlRegistry::Register(this);
    SetColors(GetSysColor(COLOR_HIGHLIGHT), GetSysColor(COLOR_BTNFACE));
    SetRedraw(true);
    Show();
}

void MWnd::SetColors(COLORREF foreground, COLORREF background) {
    foreground_ = foreground;
    background_ = background;
    if (visible_) Show();
}

void MWnd::Draw(HDC dc) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    FillSolid(dc, rect_, background_);
    DrawCaption(dc, rect_, text_, foreground_);
    ExcludeRect(dc, rect_);
}

namespace {
// A hidden window is painted whole when it is shown: invalidating parts of it
// before then (hundreds of times while the panels are built) changes nothing.
HWND WindowToInvalidate(HWND window) { return window && IsWindowVisible(window) ? window : nullptr; }
}  // namespace

void MWnd::Show() {
    if (!redrawEnabled_) return;
    visible_ = true;
    const RECT shown = Zoom::ToWindow(rect_);
    if (HWND window = WindowToInvalidate(ParentWindow())) InvalidateRect(window, &shown, FALSE);
}

void MWnd::Hide() {
    if (!redrawEnabled_) return;
    visible_ = false;
    const RECT shown = Zoom::ToWindow(rect_);
    if (HWND window = WindowToInvalidate(ParentWindow())) InvalidateRect(window, &shown, TRUE);
}

void MWnd::SetRedraw(bool enabled) { redrawEnabled_ = enabled; }

void MWnd::SetForeground(COLORREF colour) {
    foreground_ = colour;
    if (visible_) Show();
}

void MWnd::SetBackground(COLORREF colour) {
    background_ = colour;
    if (visible_) Show();
}

void MWnd::RepaintNow() {
    if (!visible_) return;
    HWND window = ParentWindow();
    if (!window) return;
    // Enlarged, the host paints it (drawing here would be at 1x).
    if (Zoom::Factor() != 1) {
        parent_->RepaintRect(rect_);
        return;
    }
    HDC dc = GetDC(window);
    Draw(dc);
    ReleaseDC(window, dc);
    InvalidateRect(window, &rect_, FALSE);
}

void MWnd::Refresh() {
    if (visible_ && redrawEnabled_ && parent_) parent_->RepaintRect(rect_);
}

HWND MWnd::ParentWindow() const { return parent_ ? parent_->HostWindow() : nullptr; }

bool MWnd::Contains(int x, int y) const {
    const POINT point = {x, y};
    return PtInRect(&rect_, point) != FALSE;
}
