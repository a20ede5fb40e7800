// The arrangement of the main window: the global controls over the picture
// GLOBALBMP, the menu bar, the measure strip and sixteen step columns, with
// one colour scheme. It is the editor's and the transport's view of the
// window, and decides how many step columns the window's width shows.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "panels/menu_bar.h"
#include "controls/bmp_label.h"
#include "controls/color_scheme.h"
#include "controls/control_host.h"
#include "controls/dial.h"
#include "controls/edit.h"
#include "controls/tempo_dial.h"
#include "controls/toggle_button.h"
#include "editing/editor_view.h"
#include "panels/chain_popup.h"
#include "panels/measure_strip.h"
#include "panels/step_column.h"
#include "playback/transport_ports.h"

class MainPanel : public EditorView, public TransportDisplay {
public:
    static constexpr int kColumnCount = 16;

    // Builds every control of the owner window.
    MainPanel(ControlHost& owner, Setup& setup);
    ~MainPanel() override;
    MainPanel(const MainPanel&) = delete;
    MainPanel& operator=(const MainPanel&) = delete;

    void ApplyColorScheme(Colorref rgb);
    // The text fields, their fonts, the menu bar and the chain popup at the
    // current zoom (the owner sizes itself).
    void ApplyZoom();
    // The owner's client size for n columns at the current zoom.
    static SIZE ClientSizeFor(int columns);
    // Shows the columns that fit the owner's client width; sets stepsPerMeasure.
    void LayoutColumns();
    // Sizes the owner for n columns, then lays them out.
    void SetColumnCount(int n);
    void SetReadout(const std::string& text);
    void OpenChainPopup(int measureIndex) override;
    // The window the colour dialog and popups belong to.
    HWND Owner() const { return OwnerWindow(); }

    bool Built() const { return built_; }
    const ColorScheme& Scheme() const { return scheme_; }
    MToggleButton& PlayButton() { return playButton_; }
    MToggleButton& MuteButton() { return muteButton_; }
    MTempoDial& TempoDial() { return tempoDial_; }
    MDial& VolumeDial() { return volumeDial_; }
    MDial& PitchDial() { return pitchDial_; }
    MenuBar& Menus() { return menuBar_; }
    MeasureStrip& Strip() { return strip_; }
    // Column k (1..16).
    StepColumn& Column(int k) { return *columns_[k - 1]; }
    ChainPopup& Popup() { return chainPopup_; }
    MEdit& Readout() { return readout_; }

    // EditorView.
    void SetStepControl(int column, int kind, int value) override;
    void SetSoundControlMax(int column, int max) override;
    int StepControlValue(int column, int kind) override;
    void HoldColumnRedraw(int column, bool hold) override;
    void ColumnHandleEvent(int column, int id) override;
    void ShowValueReadout(int value) override;
    int StripSelection() override;
    void StripSelectButton(int id) override;
    void StripMarkSelected(int measure) override;
    void GlobalControlHandleEvent(int id) override;
    double TempoFieldValue() override;
    void SetTempoFieldValue(double tempo) override;
    int MasterVolumeDialValue() override;
    void SetMasterVolumeDial(int value) override;
    int MasterPitchDialValue() override;
    void SetMasterPitchDial(int value) override;
    bool MuteButtonPressed() override;
    void SetMuteButton(bool pressed) override;
    void OpenSoundMenu(int column) override;
    void OpenPanelMenu(int menuId, int buttonId) override;
    bool IsShiftDown() override;
    bool IsAltDown() override;

    // TransportDisplay.
    void SetPlayButton(bool pressed) override;
    void SetPlayingMeasure(int measure) override;
    void SetLamp(int column, bool on) override;

    // The sound menu of a step column; set by the program's commands.
    using SoundMenuOpener = void (*)(void* context, int column);
    void SetSoundMenuOpener(SoundMenuOpener opener, void* context) {
        soundMenuOpener_ = opener;
        soundMenuContext_ = context;
    }

private:
    HWND OwnerWindow() const { return owner_.HostWindow(); }

    ControlHost& owner_;
    Setup& setup_;
    MBmpLabel backgroundLabel_;
    MToggleButton playButton_;
    MToggleButton muteButton_;
    MTempoDial tempoDial_;
    MDial volumeDial_;
    MDial pitchDial_;
    MenuBar menuBar_;
    MeasureStrip strip_;
    std::unique_ptr<StepColumn> columns_[kColumnCount];
    ColorScheme scheme_;
    MEdit readout_;
    HFONT font_ = nullptr;
    HBRUSH columnBrush_ = nullptr;
    bool built_ = false;
    ChainPopup chainPopup_;
    SoundMenuOpener soundMenuOpener_ = nullptr;
    void* soundMenuContext_ = nullptr;
};
