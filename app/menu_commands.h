// What the menus and the accelerators do: the command table of the menu bar,
// the items' states computed each time a menu opens, Copy and Paste Measure
// through the clipboard, and the sound menu of a step.
#pragma once
#include <windows.h>

#include <string>

class MainWindow;

class MenuCommands {
public:
    explicit MenuCommands(MainWindow& window) : window_(window) {}

    // Hooks the menu bar up, registers the clipboard format and fills the
    // copy and undo buffers with the edited measure.
    void Bind();
    bool OnCommand(int id);
    void PrepareMenu(int menuId, HMENU popup);

    void CopyMeasure();
    void PasteMeasure();
    void ShowSoundMenu(int step);
    // The sound menu as it opens for a step: loaded, filled and marked; the
    // caller destroys it.
    HMENU BuildSoundMenu(int step);
    // The sound menu's entry for sound index i: "01: name".
    static std::string SoundMenuText(int index, const std::string& name);
    // How many of `soundCount` sounds the sound menu lists: its ids
    // (500 + index) stop below the other commands that reach the menu bar,
    // so the sounds beyond are left out (the sound field reaches them).
    static int SoundMenuLength(int soundCount);

    UINT ClipboardFormat() const { return clipboardFormat_; }

private:
    void ToggleMute();
    void SetTempoUnit(int unit);
    // The Zoom submenu's radio mark on the current choice.
    void PrepareZoomMenu(HMENU options);

    MainWindow& window_;
    UINT clipboardFormat_ = 0;
};

// The name under which running copies share a measure on the clipboard.
constexpr char kClipboardFormatName[] = "QuillmarkLoopv2";
