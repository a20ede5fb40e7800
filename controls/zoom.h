// The program's one zoom factor and the conversions between layout pixels,
// in which every control keeps its rectangle and hit-tests, and the pixels of
// the windows that show them enlarged. Interface thread only.
#pragma once

#include <windows.h>

#include "controls/zoom_factor.h"

namespace Zoom {

int Factor();
// Taken as 1 to 3.
void SetFactor(int factor);

int ToWindow(int layout);
RECT ToWindow(const RECT& layout);
// Rounded down, so every window pixel of a layout pixel gives that one.
int ToLayout(int window);
// A new region of the layout pixels that cover a window region.
HRGN LayoutRegion(HRGN windowRegion, int zoom);

// A copy of a bitmap with every pixel repeated zoom x zoom times, in the
// source's format where that is one bit a pixel (cursor masks), otherwise 32
// bits; null when it cannot be made.
HBITMAP EnlargeBitmap(HBITMAP source, int zoom);

}  // namespace Zoom
