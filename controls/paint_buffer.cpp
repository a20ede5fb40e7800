#include "controls/paint_buffer.h"

PaintBuffer::~PaintBuffer() {
    if (!dc_) return;
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

bool PaintBuffer::Reserve(int width, int height) {
    if (dc_ && width <= width_ && height <= height_) return true;
    width = width > width_ ? width : width_;
    height = height > height_ ? height : height_;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = dc ? CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits, nullptr, 0) : nullptr;
    if (!bitmap) {
        if (dc) DeleteDC(dc);
        return false;
    }
    HGDIOBJ previous = SelectObject(dc, bitmap);
    if (dc_) {
        // What the window showed stays in the larger buffer.
        SelectClipRgn(dc_, nullptr);
        BitBlt(dc, 0, 0, width_, height_, dc_, 0, 0, SRCCOPY);
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    dc_ = dc;
    bitmap_ = bitmap;
    previous_ = previous;
    width_ = width;
    height_ = height;
    return true;
}

HDC PaintBuffer::Begin(HRGN update, int width, int height) {
    if (width <= 0 || height <= 0 || !Reserve(width, height)) return nullptr;
    // A DC that painting changed (colours, clipping) starts afresh each time.
    RestoreDC(dc_, -1);
    SaveDC(dc_);
    SelectClipRgn(dc_, update);
    return dc_;
}

void PaintBuffer::End(HDC paintDc, HRGN update) {
    RECT box;
    if (GetRgnBox(update, &box) == NULLREGION) return;
    // The paint DC is clipped to the update region: only that is copied.
    GdiFlush();
    BitBlt(paintDc, box.left, box.top, box.right - box.left, box.bottom - box.top, dc_, box.left, box.top, SRCCOPY);
}
