#include "controls/bmp_label.h"

#include "controls/gdi_helpers.h"

void MBmpLabel::Create(int id, const std::string& text, int x, int y, ControlHost* parent,
                       const std::string& bitmapName) {
    bitmap_.Load(bitmapName);
    const SIZE size = bitmap_.GetSize();
    Create(id, text, RECT{x, y, x + size.cx, y + size.cy}, parent);
}

void MBmpLabel::Draw(HDC dc) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    bitmap_.Draw(dc, foreground_, background_, rect_.left, rect_.top);
    ExcludeRect(dc, rect_);
}
