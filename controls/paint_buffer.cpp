#include "controls/paint_buffer.h"

namespace {
// The state Begin saved holds the bitmap selected too: it is restored first,
// or the bitmap would stay selected there and could not be deleted.
void Release(ColourBitmap& buffer) {
    if (buffer.dc) RestoreDC(buffer.dc, -1);
    DeleteColourBitmap(buffer);
}
}  // namespace

PaintBuffer::~PaintBuffer() { Release(buffer_); }

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

HDC PaintBuffer::Begin(HRGN update, int width, int height) {
    if (width <= 0 || height <= 0 || !Reserve(width, height)) return nullptr;
    // A DC that painting changed (colours, clipping) starts afresh each time.
    RestoreDC(buffer_.dc, -1);
    SaveDC(buffer_.dc);
    SelectClipRgn(buffer_.dc, update);
    return buffer_.dc;
}

void PaintBuffer::End(HDC paintDc, HRGN update) {
    RECT box;
    if (GetRgnBox(update, &box) == NULLREGION) return;
    // The paint DC is clipped to the update region: only that is copied.
    GdiFlush();
    BitBlt(paintDc, box.left, box.top, box.right - box.left, box.bottom - box.top, buffer_.dc, box.left, box.top, SRCCOPY);
}
