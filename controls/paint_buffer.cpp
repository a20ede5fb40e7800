#include "controls/paint_buffer.h"

#include "controls/zoom.h"

namespace {
// The state Begin saved holds the bitmap selected too: it is restored first,
// or the bitmap would stay selected there and could not be deleted.
void Release(ColourBitmap& buffer) {
    if (buffer.dc) RestoreDC(buffer.dc, -1);
    DeleteColourBitmap(buffer);
}
}  // namespace

PaintBuffer::~PaintBuffer() {
    Release(buffer_);
    if (layoutUpdate_) DeleteObject(layoutUpdate_);
}

bool PaintBuffer::Reserve(int width, int height) {
    if (buffer_.dc && width <= width_ && height <= height_) return true;
    width = width > width_ ? width : width_;
    height = height > height_ ? height : height_;
    ColourBitmap larger;
    if (!CreateColourBitmap(width, height, &larger)) return false;
    if (buffer_.dc) {
        // What the window showed stays in the larger buffer, copied in the
        // state from before the last paint, so without its clipping.
        RestoreDC(buffer_.dc, -1);
        BitBlt(larger.dc, 0, 0, width_, height_, buffer_.dc, 0, 0, SRCCOPY);
        DeleteColourBitmap(buffer_);
    }
    buffer_ = larger;
    width_ = width;
    height_ = height;
    return true;
}

HDC PaintBuffer::Begin(HRGN update, int width, int height, int zoom) {
    zoom_ = zoom;
    if (layoutUpdate_) DeleteObject(layoutUpdate_);
    layoutUpdate_ = zoom == 1 ? nullptr : Zoom::LayoutRegion(update, zoom);
    width = LayoutCoveringWindow(width, zoom);
    height = LayoutCoveringWindow(height, zoom);
    if (width <= 0 || height <= 0 || !Reserve(width, height)) return nullptr;
    // A DC that painting changed (colours, clipping) starts afresh each time.
    RestoreDC(buffer_.dc, -1);
    SaveDC(buffer_.dc);
    SelectClipRgn(buffer_.dc, layoutUpdate_ ? layoutUpdate_ : update);
    return buffer_.dc;
}

void PaintBuffer::End(HDC paintDc, HRGN update) {
    RECT box;
    if (GetRgnBox(layoutUpdate_ ? layoutUpdate_ : update, &box) == NULLREGION) return;
    // The paint DC is clipped to the update region: only that is copied.
    GdiFlush();
    const int width = box.right - box.left, height = box.bottom - box.top;
    if (zoom_ == 1) {
        BitBlt(paintDc, box.left, box.top, width, height, buffer_.dc, box.left, box.top, SRCCOPY);
        return;
    }
    // Nearest neighbour: each layout pixel becomes zoom x zoom window pixels.
    const int mode = SetStretchBltMode(paintDc, COLORONCOLOR);
    StretchBlt(paintDc, box.left * zoom_, box.top * zoom_, width * zoom_, height * zoom_, buffer_.dc, box.left,
               box.top, width, height, SRCCOPY);
    SetStretchBltMode(paintDc, mode);
}
