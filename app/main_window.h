// The main window: one modal dialog (template 102) that owns the document,
// the editor, the transport and the sound engine, hosts the lightweight
// controls, filters the keyboard and decides whether it may close.
#pragma once
#include <windows.h>

#include "app/dialog.h"
#include "audio/sound_engine.h"
#include "controls/control_host.h"
#include "editing/edit_controller.h"
#include "model/setup.h"
#include "playback/sequencer.h"
#include "playback/window_transport_host.h"

class MainPanel;

class MainWindow : public Dialog, public ControlHost {
public:
    MainWindow();
    ~MainWindow() override;

    void ResetFocus();
    void ChangeColor();

    // ControlHost.
    HWND HostWindow() const override { return Handle(); }
    void OnControlEvent(int event, int x, int y, int id) override;

    MainPanel* Panel() { return panel_; }
    Setup& GetSetup() { return setup_; }
    EditController& Controller() { return controller_; }
    Sequencer& GetSequencer() { return sequencer_; }
    SoundEngine& Engine() { return soundEngine_; }
    bool Initialised() const { return initialised_; }

    // The keyboard filter every message passes before dispatch.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    bool HandleMeasureKey(int index);
    void AppendAboutItem();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void OnClose();
    void ReplaceBackgroundBrush(COLORREF colour);
    HWND FocusHolder() const { return GetDlgItem(Handle(), IDOK); }

    MainPanel* panel_ = nullptr;  // lives until the process ends
    Setup setup_;
    EditController controller_;
    Sequencer sequencer_;
    SoundEngine soundEngine_;
    COLORREF backgroundColor_ = 0;
    COLORREF textColor_ = 0;
    HBRUSH backgroundBrush_ = nullptr;
    HCURSOR defaultCursor_ = nullptr;
    HCURSOR sizeCursor_ = nullptr;
    HACCEL accelerators_ = nullptr;
    bool initialised_ = false;
    HICON icon_ = nullptr;
    WindowTransportHost transportHost_;
};
