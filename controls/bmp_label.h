// A tinted picture that takes no mouse input (class name "MWnd").
#pragma once

#include "controls/mono_bitmap.h"
#include "controls/mwnd.h"

class MBmpLabel : public MWnd {
public:
    using MWnd::Create;
    // The rectangle takes the picture's size.
    void Create(int id, const std::string& text, int x, int y, ControlHost* parent, const std::string& bitmapName);
    // The picture in foreground (black pixels) on background (white pixels).
    void Draw(HDC dc) override;

    MonoBitmap& Bitmap() { return bitmap_; }

private:
    MonoBitmap bitmap_;
};
