// The hidden window the gallery's controls live in, and the picture they are
// drawn into.
#pragma once

#include <windows.h>

#include <string>

#include "controls/control_host.h"
#include "controls/gdi_helpers.h"

class GalleryHost : public ControlHost {
public:
    GalleryHost(int width, int height);
    ~GalleryHost() override;
    HWND HostWindow() const override { return window_; }
    void OnControlEvent(int, int, int, int) override {}

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
};

// A 32-bit top-down picture with a DC to draw into, written out as a 24-bit BMP.
class Picture {
public:
    Picture(int width, int height, COLORREF fill);
    ~Picture();
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;

    HDC Dc() const { return surface_.dc; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Fill(const RECT& rect, COLORREF colour);
    // Small label text with its top-left corner at (x, y); returns its width.
    int Label(int x, int y, const std::string& text, COLORREF colour);
    SIZE LabelSize(const std::string& text);
    // Paints the host's controls, then the text fields over them.
    void PaintHost(const GalleryHost& host);
    bool WriteBmp(const std::string& path) const;

private:
    int width_, height_;
    ColourBitmap surface_;
    HFONT labelFont_ = nullptr;
};
