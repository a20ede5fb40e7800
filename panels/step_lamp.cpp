#include "panels/step_lamp.h"

#include <cstdlib>

#include "controls/gdi_helpers.h"
#include "controls/paint_cache.h"
#include "controls/zoom_factor.h"

StepLamp::~StepLamp() {
    if (font_) DeleteObject(font_);
}

void StepLamp::Draw(HDC dc) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    // A point font as CreatePointFont makes it: tenths of a point at the
    // layout's resolution (drawn at 1x and enlarged with the rest).
    POINT size = {0, MulDiv(kLayoutDpi, pointSize_, 720)};
    POINT origin = {0, 0};
    DPtoLP(dc, &size, 1);
    DPtoLP(dc, &origin, 1);
    const LONG height = -std::abs(size.y - origin.y);
    if (!font_ || height != fontHeight_) {
        if (font_) DeleteObject(font_);
        LOGFONTA logFont = {};
        logFont.lfHeight = height;
        lstrcpynA(logFont.lfFaceName, faceName_.c_str(), LF_FACESIZE);
        font_ = CreateFontIndirectA(&logFont);
        fontHeight_ = height;
    }
    const int width = rect_.right - rect_.left, plateHeight = rect_.bottom - rect_.top;
    auto paint = [&](HDC target, const RECT& box) {
        HGDIOBJ oldFont = SelectObject(target, font_);
        FillSolid(target, box, background_);
        SetTextColor(target, foreground_);
        SetBkMode(target, TRANSPARENT);
        RECT text = box;
        DrawTextA(target, text_.c_str(), -1, &text, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        SelectObject(target, oldFont);
    };
    // The plate looks the same every time it is lit or dark: drawn once per
    // pair of colours, then copied.
    const std::string key = "lamp " + text_ + " " + faceName_ + " " + std::to_string(height) + " " +
                            std::to_string(width) + "x" + std::to_string(plateHeight);
    const PaintCache::TintedPicture plate = PaintCache::Rendered(
        key, foreground_, background_, width, plateHeight, [&](HDC cache) { paint(cache, RECT{0, 0, width, plateHeight}); });
    if (plate.dc) {
        BitBlt(dc, rect_.left, rect_.top, width, plateHeight, plate.dc, 0, 0, SRCCOPY);
    } else {
        paint(dc, rect_);
    }
    ExcludeClipRect(dc, rect_.left, rect_.top, rect_.right, rect_.bottom);
}
