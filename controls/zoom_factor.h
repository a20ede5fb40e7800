// The arithmetic of the zoom: the whole window is laid out and painted in
// layout pixels (the skins' own pixels, 96 to the inch) and shown enlarged by
// a whole factor of 1 to 3, so pixel art stays sharp on high-DPI screens.
#pragma once

#include <cstdint>
#include <vector>

constexpr int kLayoutDpi = 96;  // the resolution the layout and its fonts are made for
constexpr int kZoomMax = 3;

// The factor Automatic picks for a screen of `dpi`: the nearest whole factor
// of 96, a half rounding up (120 gives 1, 144 to 239 give 2, 240 and above 3).
int ZoomForDpi(int dpi);

// The zoom choice: 0 is Automatic, 1 to 3 a fixed factor.
int ZoomFor(int choice, int dpi);

// A layout coordinate from a window coordinate: rounded down, also left of
// and above the window, so a point outside stays outside.
int LayoutFromWindow(int window, int zoom);
// The layout coordinate whose pixel holds the window pixel just before
// `window`, plus one: the layout edge that covers window pixels up to `window`.
int LayoutCoveringWindow(int window, int zoom);

// Pixels of a top-down image of width x height, each repeated zoom x zoom times.
std::vector<std::uint32_t> EnlargePixels(const std::uint32_t* pixels, int width, int height, int zoom);
