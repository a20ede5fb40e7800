#include "controls/gdi_helpers.h"

#include "controls/paint_cache.h"
#include "controls/zoom.h"

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
    // 720 tenths of a point per inch, at the layout's resolution; enlarged
    // with everything else, as whole layout pixels.
    font.lfHeight = -std::abs(kLayoutDpi * tenthsOfPoint / 720) * Zoom::Factor();
    font.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(font.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&font);
}

BITMAPINFO TopDownColourFormat(int width, int height) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return format;
}

bool CreateColourBitmap(int width, int height, ColourBitmap* made) {
    BITMAPINFO format = TopDownColourFormat(width, height);
    ColourBitmap result;
    result.dc = CreateCompatibleDC(nullptr);
    result.bitmap = result.dc ? CreateDIBSection(result.dc, &format, DIB_RGB_COLORS, &result.bits, nullptr, 0)
                              : nullptr;
    if (!result.bitmap) {
        if (result.dc) DeleteDC(result.dc);
        return false;
    }
    result.previous = SelectObject(result.dc, result.bitmap);
    *made = result;
    return true;
}

void DeleteColourBitmap(ColourBitmap& bitmap) {
    if (!bitmap.dc) return;
    SelectObject(bitmap.dc, bitmap.previous);
    DeleteObject(bitmap.bitmap);
    DeleteDC(bitmap.dc);
    bitmap = ColourBitmap();
}
