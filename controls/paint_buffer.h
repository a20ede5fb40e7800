// A bitmap off the screen that a window paints its controls into before the
// result goes to the window in one copy. Under Wine every GDI call on a
// window's DC costs several times the same call on a memory DC, and a full
// repaint makes hundreds of them.
//
// The buffer keeps what was last copied to the window, so an area repainted
// without being erased starts from what the window showed there, as it would
// when painted directly.
//
// Zoomed, the buffer holds the layout at its own size and the copy enlarges
// it by whole pixels, without smoothing.
#pragma once

#include <windows.h>

#include "controls/gdi_helpers.h"

class PaintBuffer {
public:
    PaintBuffer() = default;
    ~PaintBuffer();
    PaintBuffer(const PaintBuffer&) = delete;
    PaintBuffer& operator=(const PaintBuffer&) = delete;

    // A DC for the layout of a window of width x height client pixels shown
    // at `zoom`, clipped to the layout pixels of `update` (the window's update
    // region in client coordinates); null when no buffer can be made, and
    // then the caller paints the window's DC directly.
    HDC Begin(HRGN update, int width, int height, int zoom = 1);
    // Copies what Begin clipped to from the buffer to the window's paint DC.
    void End(HDC paintDc, HRGN update);

private:
    bool Reserve(int width, int height);

    ColourBitmap buffer_;
    int width_ = 0;
    int height_ = 0;
    int zoom_ = 1;
    HRGN layoutUpdate_ = nullptr;  // Begin's clip, zoomed
};
