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

// A font of the given size in tenths of a point for the screen, as the text
// fields use; "Arial" for an empty face name and 9 points for a size of 0.
HFONT CreatePointFont(int tenthsOfPoint, const char* faceName);
