// The program's menu bar: a small child window of the main window that
// carries the File, Edit and Options buttons (lightweight controls of the main
// window) and receives the commands of their menus and of the accelerators.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "controls/bmp_button.h"
#include "controls/color_scheme.h"
#include "controls/control_host.h"
#include "model/setup.h"

class MenuBar {
public:
    MenuBar() = default;
    ~MenuBar();
    MenuBar(const MenuBar&) = delete;
    MenuBar& operator=(const MenuBar&) = delete;

    // The window ("STATIC", child of the main window) and its three buttons at
    // (x, y), (x + 18, y), (x + 36, y); the window then covers the buttons.
    bool Create(const std::string& name, int x, int y, ControlHost* mainWindow);
    void ApplyColorScheme(Colorref rgb);
    // Covers the buttons again at the current zoom.
    void ApplyZoom();
    void BindSetup(Setup& setup) { setup_ = &setup; }

    // Opens popup menu `menuId` below the button with `buttonId`.
    void OpenMenu(int menuId, int buttonId);

    // Every WM_COMMAND that reaches the window goes here; true when handled.
    using CommandHandler = std::function<bool(int id)>;
    void SetCommandHandler(CommandHandler handler) { handler_ = std::move(handler); }
    // Called with each opened menu, to set its items' states.
    using MenuPreparer = std::function<void(int menuId, HMENU popup)>;
    void SetMenuPreparer(MenuPreparer preparer) { preparer_ = std::move(preparer); }

    HWND Handle() const { return window_; }
    MBmpButton& FileButton() { return fileButton_; }
    MBmpButton& EditButton() { return editButton_; }
    MBmpButton& OptionsButton() { return optionsButton_; }
    const ColorScheme& Scheme() const { return scheme_; }
    int soundMenuStep = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);

    std::string name_;
    ColorScheme scheme_;
    MBmpButton fileButton_;
    MBmpButton editButton_;
    MBmpButton optionsButton_;
    int x_ = 0, y_ = 0;
    RECT area_ = {0, 0, 0, 0};  // the three buttons, in layout pixels
    Setup* setup_ = nullptr;
    HWND window_ = nullptr;
    WNDPROC staticProc_ = nullptr;
    CommandHandler handler_;
    MenuPreparer preparer_;
};
