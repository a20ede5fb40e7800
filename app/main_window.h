// The main window: one modal dialog (template 102) that owns the document,
// the editor, the transport and the sound engine, hosts the lightweight
// controls, filters the keyboard and decides whether it may close.
#pragma once
#include <windows.h>

#include <string>

#include "ui/dialog.h"
#include "app/menu_commands.h"
#include "audio/sound_engine.h"
#include "audio/streaming_engine.h"
#include "audio/switched_sound_player.h"
#include "controls/control_host.h"
#include "controls/paint_buffer.h"
#include "editing/edit_controller.h"
#include "files/sound_library.h"
#include "model/setup_file.h"
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
    void ShowAbout();

    // The zoom choice: 0 Automatic (the factor for the screen's DPI) or a
    // factor of 1 to 3. Choosing one keeps it as a preference and shows the
    // window at the new factor with the same steps; the Setup is unchanged.
    int ZoomChoice() const { return zoomChoice_; }
    void ChooseZoom(int choice);

    // Setup files: the open and save commands, the question that guards
    // unsaved edits, and the caption that names the file and sound folder.
    bool PromptSaveChanges();
    void OpenSetupDialog();
    void OpenSetupPath(const std::string& path);
    // Start-up's part: the master defaults, then the file the command line
    // names, if any (GetCommandLineW at start-up; tests give their own).
    void OpenCommandLine(const wchar_t* commandLine);
    void SaveSetup();
    void SaveSetupAs();
    void UpdateCaption();
    // Reads a setup file and hands it over to the window; false (with a
    // message, and the Setup as it was) when it cannot be read.
    bool ReadSetupFileAndShow(const std::string& path);
    bool WriteSetupFileAndShow(const std::string& path);

    // Stand-ins for the modal boxes, for tests that cannot click them.
    using SaveQuestion = int (*)(const std::string& prompt);  // 0 cancel, 1 save, 2 don't save
    using FileQuestion = bool (*)(bool save, const std::string& proposed, std::string* chosen);
    void SetSaveQuestion(SaveQuestion question) { saveQuestion_ = question; }
    void SetFileQuestion(FileQuestion question) { fileQuestion_ = question; }

    // ControlHost.
    HWND HostWindow() const override { return Handle(); }
    void OnControlEvent(int event, int x, int y, int id) override;
    // Paints through the paint buffer at once (the step lamp as it moves).
    void RepaintRect(const RECT& rect) override;

    MainPanel* Panel() { return panel_; }
    Setup& GetSetup() { return setup_; }
    EditController& Controller() { return controller_; }
    Sequencer& GetSequencer() { return sequencer_; }
    SoundEngine& Engine() { return soundEngine_; }
    StreamingEngine& Streaming() { return streamingEngine_; }
    // The sound output the program plays through: one of the two above.
    SoundPlayer& Sound() { return sound_; }
    bool SampleAccurate() const { return sound_.Active() == kStreamingOutput; }
    // Plays through the streaming output (or DirectSound's buffers) from now
    // on, moving the sound list over; false, with a notice, when the stream
    // cannot be opened (DirectSound plays on), unless `quietly`.
    bool UseSampleAccurate(bool on, bool quietly = false);
    SoundLibrary& Library() { return library_; }
    MenuCommands& Commands() { return commands_; }
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
    void PlaceFocusHolder();
    void OnDpiChanged(int dpi, const RECT& suggested);
    void ApplyZoom(int factor);
    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam);
    void OnPaint();
    void PaintAtOnce(const RECT& rect);
    void OnClose();
    void ReplaceBackgroundBrush(COLORREF colour);
    void OnDropFiles(HDROP drop);
    bool ChooseSetupFile(bool save, const std::string& proposed, std::string* chosen);
    void ApplyLoadedWindowState(const SetupFileWindowState& state);
    HWND FocusHolder() const { return GetDlgItem(Handle(), IDOK); }

    MainPanel* panel_ = nullptr;  // lives until the process ends
    Setup setup_;
    EditController controller_;
    Sequencer sequencer_;
    SoundEngine soundEngine_;
    StreamingEngine streamingEngine_;
    static constexpr int kStreamingOutput = 1;
    SwitchedSoundPlayer sound_{soundEngine_, streamingEngine_};
    COLORREF backgroundColor_ = 0;
    COLORREF textColor_ = 0;
    HBRUSH backgroundBrush_ = nullptr;
    HCURSOR defaultCursor_ = nullptr;
    HCURSOR sizeCursor_ = nullptr;
    HACCEL accelerators_ = nullptr;
    bool initialised_ = false;
    HICON icon_ = nullptr;
    int zoomChoice_ = 0;
    int dpi_ = 96;  // of the screen the window is on
    WindowTransportHost transportHost_;
    SoundLibrary library_{setup_, sound_};
    MenuCommands commands_{*this};
    SaveQuestion saveQuestion_ = nullptr;
    FileQuestion fileQuestion_ = nullptr;
    // The controls are painted off the screen first; the erase the window
    // asks for goes into the same buffer.
    PaintBuffer paintBuffer_;
    bool painting_ = false;
    bool erasePending_ = false;
    bool collectingRepaints_ = false;
    RECT pendingRepaint_ = {0, 0, 0, 0};
};
