#include "controls/gdi_helpers.h"

#include "controls/paint_cache.h"

#include <cstdlib>
#include <cstring>

void FillSolid(HDC dc, const RECT& rect, COLORREF colour) {
    if (HBRUSH brush = PaintCache::SolidBrush(colour)) FillRect(dc, &rect, brush);
}

void ExcludeRect(HDC dc, const RECT& rect) { ExcludeClipRect(dc, rect.left, rect.top, rect.right, rect.bottom); }

void DrawCaption(HDC dc, const RECT& rect, const std::string& text, COLORREF colour) {
    SetTextColor(dc, colour);
    const int mode = SetBkMode(dc, TRANSPARENT);
    RECT textRect = rect;
    DrawTextA(dc, text.c_str(), -1, &textRect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    SetBkMode(dc, mode);
}

HFONT CreatePointFont(int tenthsOfPoint, const char* faceName) {
    if (tenthsOfPoint == 0) tenthsOfPoint = 90;
    if (!faceName || !*faceName) faceName = "Arial";
    LOGFONTA font = {};
    HDC screen = GetDC(nullptr);
    // 720 tenths of a point per inch.
    font.lfHeight = -std::abs(GetDeviceCaps(screen, LOGPIXELSY) * tenthsOfPoint / 720);
    ReleaseDC(nullptr, screen);
    font.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&font);
}
