// The small borderless window in which the user sees and changes one
// measure's chain: the measure that plays after it and its number of passes.
// It opens next to a measure button and hides when the user presses a key or a
// mouse button anywhere in the main window.
#pragma once
#include <windows.h>

#include "ui/dialog.h"
#include "controls/bmp_label.h"
#include "controls/color_scheme.h"
#include "controls/control_host.h"
#include "controls/dial.h"
#include "controls/paint_buffer.h"
#include "model/setup.h"

class ChainPopup : public Dialog, public ControlHost {
public:
    ChainPopup();
    ~ChainPopup() override;

    // The window, from template 167, owned by the main window; hidden.
    bool Create(HWND owner, Setup& setup);
    void SetColors(const ColorScheme& scheme);
    // Its size and fields at the current zoom.
    void ApplyZoom();
    // Moves to (x, y) (screen) and shows the chain of `measure`.
    void ShowFor(int x, int y, int measure);
    void HidePopup();
    bool IsShown() const;
    int MeasureIndex() const { return measureIndex_; }
    MDial& NextDial() { return nextDial_; }
    MDial& RepeatDial() { return repeatDial_; }

    HWND HostWindow() const override { return Handle(); }
    void OnControlEvent(int event, int x, int y, int id) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}
    void OnCancel() override {}

private:
    void OnPaint();

    HBRUSH backgroundBrush_ = nullptr;
    MBmpLabel backgroundLabel_;
    ColorScheme colours_;
    int x_ = 0, y_ = 0;
    int measureIndex_ = 0;
    MDial nextDial_;
    MDial repeatDial_;
    HCURSOR defaultCursor_ = nullptr;
    Setup* setup_ = nullptr;
    PaintBuffer paintBuffer_;
};
