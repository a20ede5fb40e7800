// A step column's number plate, which lights while its step plays.
#pragma once

#include "controls/mwnd.h"

class StepLamp : public MWnd {
public:
    StepLamp() = default;
    ~StepLamp() override;

    // The caption in a "System" 9-point font, centred, on the background colour.
    void Draw(HDC dc) override;

private:
    // Made on the first paint and again only when a DC asks for another height.
    HFONT font_ = nullptr;
    LONG fontHeight_ = 0;
    std::string faceName_ = "System";
    int pointSize_ = 90;  // tenths of a point
};
