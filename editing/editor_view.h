// What the edit controller needs from the panels and the keyboard: the step
// columns' controls (which clamp what they are given to their ranges), the
// measure strip, the global controls, and the popups and menus it opens. The
// Windows program implements it with the main panel; tests with a model.
#pragma once

class EditorView {
public:
    virtual ~EditorView() = default;

    // Step columns; `kind` is a step value kind (10..60).
    virtual void SetStepControl(int column, int kind, int value) = 0;
    // The highest index the column's sound control takes (0..127 at first).
    virtual void SetSoundControlMax(int column, int max) = 0;
    virtual int StepControlValue(int column, int kind) = 0;
    virtual void HoldColumnRedraw(int column, bool hold) = 0;
    // The column's own handling of an event (arrow repeat, drag, typed text).
    virtual void ColumnHandleEvent(int column, int id) = 0;
    virtual void ShowValueReadout(int value) = 0;

    // The measure strip.
    virtual int StripSelection() = 0;
    virtual void StripSelectButton(int id) = 0;
    virtual void StripMarkSelected(int measure) = 0;

    // The global controls: tempo field (1005..1010), master volume (1050..)
    // and master pitch (1060..) dials, mute button.
    virtual void GlobalControlHandleEvent(int id) = 0;
    virtual double TempoFieldValue() = 0;
    virtual void SetTempoFieldValue(double tempo) = 0;
    virtual int MasterVolumeDialValue() = 0;
    virtual void SetMasterVolumeDial(int value) = 0;
    virtual int MasterPitchDialValue() = 0;
    virtual void SetMasterPitchDial(int value) = 0;
    virtual bool MuteButtonPressed() = 0;
    virtual void SetMuteButton(bool pressed) = 0;

    // Popups and menus.
    virtual void OpenChainPopup(int measure) = 0;
    virtual void OpenSoundMenu(int column) = 0;
    virtual void OpenPanelMenu(int menuId, int buttonId) = 0;

    // Modifier keys at the moment of the action.
    virtual bool IsShiftDown() = 0;
    virtual bool IsAltDown() = 0;
};
