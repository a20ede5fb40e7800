#include "panels/measure_strip.h"

#include <algorithm>

namespace {
constexpr int kLowestButtonY = 144;
constexpr int kButtonPitch = 20;
}

void MeasureStrip::Create(int id, const std::string& prefix, int x, int y, ControlHost* parent, int count,
                          bool samePictures) {
    MWnd::Create(id, prefix, x, y, 10, 10, parent);
    MWnd::Hide();
    samePictures_ = samePictures;
    buttonsOnly_ = true;
    count_ = count;
    buttons_.reset(new MDualToggleButton[count]);
    RECT bounds = {x, y, x, y};
    for (int n = 1; n <= count; ++n) {
        const std::string number = samePictures ? "" : std::to_string(n);
        MDualToggleButton& button = buttons_[n - 1];
        button.Create(id + n, "", x, kLowestButtonY - kButtonPitch * (n - 1), parent, prefix + number + "UP",
                      prefix + number + "DN");
        button.SetCursorResource("GENCUR");
        button.SetOn(true);
        button.SetUseAlternate(false);
        const RECT r = button.Rect();
        if (n == 1) bounds = r;
        bounds.left = std::min(bounds.left, r.left);
        bounds.top = std::min(bounds.top, r.top);
        bounds.right = std::max(bounds.right, r.right);
        bounds.bottom = std::max(bounds.bottom, r.bottom);
    }
    rect_ = bounds;
    SelectIndex(0);
    SetPlaying(-1);
    if (count > 0) buttons_[0].SetOn(false);
    Show();
}

void MeasureStrip::Show() {
    if (!buttonsOnly_) MWnd::Show();
    for (int i = 0; i < count_; ++i) buttons_[i].Show();
}

void MeasureStrip::Hide() {
    MWnd::Hide();
    for (int i = 0; i < count_; ++i) buttons_[i].Hide();
}

void MeasureStrip::SelectIndex(int index) {
    if (Valid(selectedIndex_)) {
        buttons_[selectedIndex_].SetOn(true);
        buttons_[selectedIndex_].Show();
    }
    if (Valid(index)) {
        buttons_[index].SetOn(false);
        buttons_[index].Show();
    }
    selectedIndex_ = index;
}

void MeasureStrip::SetPlaying(int index) {
    if (Valid(playingIndex_)) {
        buttons_[playingIndex_].SetUseAlternate(false);
        buttons_[playingIndex_].Show();
    }
    if (Valid(index)) {
        buttons_[index].SetUseAlternate(true);
        buttons_[index].Show();
    }
    playingIndex_ = index;
}

void MeasureStrip::SetStripColors(COLORREF c1, COLORREF c2, COLORREF c3, COLORREF c4, COLORREF c5, COLORREF c6,
                                  COLORREF c7, COLORREF c8, COLORREF foreground, COLORREF background) {
    for (int i = 0; i < count_; ++i) buttons_[i].SetColors8(c1, c2, c3, c4, c5, c6, c7, c8);
    MWnd::SetColors(foreground, background);
}

RECT MeasureStrip::GetButtonRect(int index) const {
    if (!Valid(index)) return RECT{0, 0, 0, 0};
    return buttons_[index].Rect();
}

MDualToggleButton* MeasureStrip::Button(int index) { return Valid(index) ? &buttons_[index] : nullptr; }
