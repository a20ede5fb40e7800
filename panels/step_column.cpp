#include "panels/step_column.h"

#include "model/step.h"

namespace {
constexpr int kPictureWidth = 37, kPictureHeight = 162;
}

void StepColumn::Create(int id, const std::string& caption, int x, int y, ControlHost* parent) {
    picture_.Load("NOTEBMP");
    SIZE size = picture_.GetSize();
    if (size.cx <= 1) size = {kPictureWidth, kPictureHeight};
    MWnd::Create(id, caption, RECT{x, y, x + size.cx, y + size.cy}, parent);
    lamp_.Create(id, caption, x + 12, y + 2, 23, 16, parent);

    onButton_.Create(id + KIND_ON, "", x + 12, y + 30, parent, "ONOFFUP", "ONOFFDN");
    onButton_.SetCursorResource("PUSHCUR");
    onButton_.SetOn(true);

    pitchDial_.Create(id + KIND_PITCH, x + 1, y + 63, "UPARROW", 0, 0, "DNARROW", 0, 9, parent, 7, 2, 21, 15, -59, 0,
                      67, 12, 0, 0, 0, 0, 0, true);
    pitchDial_.SetLiveTyping(true);
    soundDial_.Create(id + KIND_SOUND, x + 1, y + 96, "UPARROW", 0, 0, "DNARROW", 0, 9, parent, 7, 2, 21, 15, 0, 1,
                      127, 10, 0, 0, 0, 0, 0, true);
    soundDial_.SetLiveTyping(true);
    soundDial_.SetDisplayOffset(1);  // the field counts sounds from 1
    volumeDial_.Create(id + KIND_VOLUME, x + 30, y + 19, "UPARROW", 0, 115, "DNARROW", 0, 124, parent, 0, 0, 0, 0, 0,
                       0, 127, 10, 0, 0, 6, 115, 2, false);
    volumeDial_.HideField();
    volumeDial_.SetValue(100);
    panDial_.Create(id + KIND_PAN, x + 2, y + 130, "", 0, 0, "", 0, 0, parent, 0, 0, 0, 0, 0, 64, 127, 18, 0, 0, 27, 7,
                    5, true);
    panDial_.HideField();
    panDial_.SetValue(64);
    panDial_.HideArrows();
    auxDial_.Create(id + KIND_AUX, x + 2, y + 153, "", 0, 0, "", 0, 0, parent, 0, 0, 0, 0, 0, 64, 127, 18, 0, 0, 27, 7,
                    2, true);
    auxDial_.HideField();
    auxDial_.SetValue(64);
    auxDial_.HideArrows();
    created_ = true;
}

void StepColumn::Draw(HDC dc) {
    if (!visible_ || !RectVisible(dc, &rect_)) return;
    picture_.Draw(dc, foreground_, background_, rect_.left, rect_.top);
    ExcludeClipRect(dc, rect_.left, rect_.top, rect_.right, rect_.bottom);
}

void StepColumn::Show() {
    if (!created_) return;
    MWnd::Show();
    lamp_.Show();
    onButton_.Show();
    for (MDial* dial : {&pitchDial_, &soundDial_, &volumeDial_, &panDial_, &auxDial_}) dial->Show();
}

void StepColumn::Hide() {
    if (!created_) return;
    MWnd::Hide();
    lamp_.Hide();
    onButton_.Hide();
    for (MDial* dial : {&pitchDial_, &soundDial_, &volumeDial_, &panDial_, &auxDial_}) dial->Hide();
}

void StepColumn::SetRedraw(bool enabled) {
    if (!created_) return;
    MWnd::SetRedraw(enabled);
    lamp_.SetRedraw(enabled);
    onButton_.SetRedraw(enabled);
    for (MDial* dial : {&pitchDial_, &soundDial_, &volumeDial_, &panDial_, &auxDial_}) dial->SetRedraw(enabled);
}

void StepColumn::ShowValue(int kind, int value) {
    switch (kind) {
    case KIND_ON: onButton_.SetOn(value != 0); break;
    case KIND_PITCH: pitchDial_.SetValue(value); break;
    case KIND_SOUND: soundDial_.SetValue(value); break;
    case KIND_VOLUME: volumeDial_.SetValue(value); break;
    case KIND_PAN: panDial_.SetValue(value); break;
    case KIND_AUX: auxDial_.SetValue(value); break;
    default: break;
    }
}

int StepColumn::ReadValue(int kind) {
    switch (kind) {
    case KIND_ON: return onButton_.IsOn() ? 1 : 0;
    case KIND_PITCH: return pitchDial_.GetValue();
    case KIND_SOUND: return soundDial_.GetValue();
    case KIND_VOLUME: return volumeDial_.GetValue();
    case KIND_PAN: return panDial_.GetValue();
    case KIND_AUX: return auxDial_.GetValue();
    default: return 0;
    }
}

int StepColumn::RouteChildEvent(int id) {
    const int k = id - id_;
    if (k >= 20 && k <= 25) pitchDial_.OnChildEvent(id);
    else if (k >= 30 && k <= 35) soundDial_.OnChildEvent(id);
    else if (k >= 40 && k <= 45) volumeDial_.OnChildEvent(id);
    else if (k >= 50 && k <= 55) panDial_.OnChildEvent(id);
    else if (k >= 60 && k <= 65) auxDial_.OnChildEvent(id);
    return k;
}

MWnd* StepColumn::PartForKind(int kind) {
    switch (kind) {
    case KIND_ON: return &onButton_;
    case KIND_PITCH: return &pitchDial_;
    case KIND_SOUND: return &soundDial_;
    case KIND_VOLUME: return &volumeDial_;
    case KIND_PAN: return &panDial_;
    case KIND_AUX: return &auxDial_;
    default: return nullptr;
    }
}

void StepColumn::SetSharedFieldResources(HFONT font, HBRUSH brush) {
    for (MDial* dial : {&pitchDial_, &soundDial_, &volumeDial_, &panDial_, &auxDial_})
        dial->SetFieldFontAndBrush(font, brush);
}

void StepColumn::ApplyColorScheme(Colorref rgb) {
    scheme_.DeriveFromBase(rgb);
    const ColorScheme& c = scheme_;
    SetColors(c.highlight2, c.btnFace);
    onButton_.SetColors4(c.btnShadow, c.btnFace, c.btnShadow, c.btnHighlight);
    pitchDial_.SetColors7(c.btnShadow, c.btnHighlight, c.background, c.highlight2, 0, 0, 0);
    soundDial_.SetColors7(c.btnShadow, c.btnHighlight, c.background, c.highlight2, 0, 0, 0);
    // The empty part of the volume bar is not painted: the picture shows through.
    volumeDial_.SetColors7(c.btnShadow, c.btnHighlight, c.background, c.highlight2, c.btnShadow, 0xFFFFFFFF,
                           c.highlightText);
    panDial_.SetColors7(c.btnShadow, c.btnHighlight, c.background, c.highlight2, c.btnShadow, c.btnShadow,
                        c.btnHighlight);
    auxDial_.SetColors7(c.btnShadow, c.btnHighlight, c.background, c.highlight2, c.btnShadow, c.btnFace,
                        c.highlightText);
    SetLamp(false);
    Show();
}

void StepColumn::SetLamp(bool on) {
    // The lamp moves with every step: the host paints it at once where it
    // can, not at its next WM_PAINT.
    const bool redraw = lamp_.RedrawEnabled();
    lamp_.SetRedraw(false);
    if (on) lamp_.SetColors(scheme_.btnFace, scheme_.background);
    else lamp_.SetColors(scheme_.highlightText, scheme_.highlight2);
    lamp_.SetRedraw(redraw);
    lamp_.Refresh();
}
