#include "panels/step_lamp.h"

#include <cstdlib>

void StepLamp::Draw(HDC dc) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    // A point font as CreatePointFont makes it: tenths of a point at the DC's resolution.
    POINT size = {0, MulDiv(GetDeviceCaps(dc, LOGPIXELSY), pointSize_, 720)};
    POINT origin = {0, 0};
    DPtoLP(dc, &size, 1);
    DPtoLP(dc, &origin, 1);
    LOGFONTA logFont = {};
    logFont.lfHeight = -std::abs(size.y - origin.y);
    lstrcpynA(logFont.lfFaceName, faceName_.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectA(&logFont);
    HGDIOBJ oldFont = SelectObject(dc, font);

    HBRUSH brush = CreateSolidBrush(background_);
    FillRect(dc, &rect_, brush);
    DeleteObject(brush);
    SetTextColor(dc, foreground_);
    SetBkMode(dc, TRANSPARENT);
    RECT box = rect_;
    DrawTextA(dc, text_.c_str(), -1, &box, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    SelectObject(dc, oldFont);
    DeleteObject(font);
    ExcludeClipRect(dc, rect_.left, rect_.top, rect_.right, rect_.bottom);
}
