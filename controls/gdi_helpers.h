// Small GDI steps that every control's Draw repeats.
#pragma once

#include <windows.h>

#include <string>

// Fills a rectangle with a solid colour (through the paint cache's brush).
void FillSolid(HDC dc, const RECT& rect, COLORREF colour);

// Removes a rectangle from the DC's clipping region, so nothing painted later
// in the same pass reaches it.
void ExcludeRect(HDC dc, const RECT& rect);

// The caption of a control: centred on one line in `colour`, the DC's text
// colour from then on. Drawn transparently, so no box of the DC's background
// colour appears behind the letters.
void DrawCaption(HDC dc, const RECT& rect, const std::string& text, COLORREF colour);

// A memory DC with a top-down 32-bit colour bitmap selected into it, whatever
// the screen's depth: copied to a window or into a bitmap of any depth, each
// colour converts exactly as drawing there would.
struct ColourBitmap {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    void* bits = nullptr;  // the pixels, 0x00RRGGBB, row by row from the top
};
// False, and nothing left behind, when the DC or the bitmap cannot be made.
bool CreateColourBitmap(int width, int height, ColourBitmap* made);
// A 32-bit colour bitmap's format, rows from the top.
BITMAPINFO TopDownColourFormat(int width, int height);
// Deselects and deletes both; nothing for one never made.
void DeleteColourBitmap(ColourBitmap& bitmap);

// A font of the given size in tenths of a point, as the text fields use:
// for the layout's 96 pixels to the inch, its height times the zoom factor
// (not the screen's resolution, which the zoom stands for); "Arial" for an
// empty face name and 9 points for a size of 0.
HFONT CreatePointFont(int tenthsOfPoint, const char* faceName);
