// One step of the edited measure: its on/off button, pitch and sound fields,
// volume, pan and aux bars, and the lamp with the step's number. The column
// itself takes no mouse input; its parts do, and carry ids from which the
// editor knows the step and the value kind.
#pragma once

#include "controls/color_scheme.h"
#include "controls/dial.h"
#include "controls/mono_bitmap.h"
#include "controls/mwnd.h"
#include "controls/toggle_button.h"
#include "panels/step_lamp.h"

class StepColumn : public MWnd {
public:
    using MWnd::Create;
    // Builds the column and its parts at (x, y); id is the column's base.
    void Create(int id, const std::string& caption, int x, int y, ControlHost* parent);

    // The picture NOTEBMP behind the parts.
    void Draw(HDC dc) override;
    void Show() override;
    void Hide() override;
    void SetRedraw(bool enabled) override;

    // A step value onto its part (clamped by the part), and back.
    void ShowValue(int kind, int value);
    // The highest sound index the sound field takes.
    void SetSoundMax(int max) { soundDial_.SetMax(max); }
    int ReadValue(int kind);
    // The part's own handling of an event of one of its ids; returns id - base.
    int RouteChildEvent(int id);
    MWnd* PartForKind(int kind);
    MDial& PitchDial() { return pitchDial_; }

    void SetSharedFieldResources(HFONT font, HBRUSH brush);
    void ApplyColorScheme(Colorref rgb);
    void SetLamp(bool on);
    const ColorScheme& Scheme() const { return scheme_; }

private:
    MDial pitchDial_;
    MonoBitmap picture_;
    ColorScheme scheme_;
    StepLamp lamp_;
    MToggleButton onButton_;
    MDial soundDial_;
    MDial volumeDial_;
    MDial panDial_;
    MDial auxDial_;
    bool created_ = false;
};
