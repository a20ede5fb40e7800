// A button drawn as a released and a pressed monochrome picture, sized by the
// released one.
#pragma once

#include "controls/button.h"
#include "controls/mono_bitmap.h"

class MBmpButton : public MButton {
public:
    MBmpButton();
    ~MBmpButton() override;

    using MButton::Create;
    void Create(int id, const std::string& text, int x, int y, ControlHost* parent, const std::string& upName,
                const std::string& downName);
    void Draw(HDC dc) override;

    MonoBitmap& UpBitmap() { return upBitmap_; }
    MonoBitmap& DownBitmap() { return downBitmap_; }
    const std::string& UpName() const { return upName_; }
    const std::string& DownName() const { return downName_; }

protected:
    // The pressed picture in the pressed colours, or the released one.
    void DrawLook(HDC dc, bool pressedLook, COLORREF upForeground, COLORREF upBackground,
                  COLORREF downForeground, COLORREF downBackground);

    MonoBitmap upBitmap_;
    MonoBitmap downBitmap_;
    std::string upName_;
    std::string downName_;
};
