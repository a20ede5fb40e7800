#include "controls/bmp_button.h"

#include "controls/gdi_helpers.h"

MBmpButton::MBmpButton() { className_ = "MBmpButton"; }

MBmpButton::~MBmpButton() = default;

void MBmpButton::Create(int id, const std::string& text, int x, int y, ControlHost* parent,
                        const std::string& upName, const std::string& downName) {
    upName_ = upName;
    downName_ = downName;
    upBitmap_.Load(upName);
    downBitmap_.Load(downName);
    const SIZE size = upBitmap_.GetSize();
    Create(id, text, x, y, size.cx, size.cy, parent);
}

void MBmpButton::Draw(HDC dc) {
    DrawLook(dc, pressed_, foreground_, background_, pressedForeground_, pressedBackground_);
}

void MBmpButton::DrawLook(HDC dc, bool pressedLook, COLORREF upForeground, COLORREF upBackground,
                          COLORREF downForeground, COLORREF downBackground) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    if (pressedLook) {
        downBitmap_.Draw(dc, downForeground, downBackground, rect_.left, rect_.top);
    } else {
        upBitmap_.Draw(dc, upForeground, upBackground, rect_.left, rect_.top);
    }
    ExcludeRect(dc, rect_);
}
