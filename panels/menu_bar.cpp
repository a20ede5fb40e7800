#include "panels/menu_bar.h"

#include <algorithm>

#include "controls/zoom.h"
#include "editing/control_ids.h"

MenuBar::~MenuBar() {
    if (window_) SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
}

bool MenuBar::Create(const std::string& name, int x, int y, ControlHost* mainWindow) {
    name_ = name;
    x_ = x;
    y_ = y;
    HWND parent = mainWindow->HostWindow();
    window_ = CreateWindowA("STATIC", name.c_str(), WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, x, y, 1, 1, parent,
                            nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window_) return false;
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    staticProc_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc)));

    fileButton_.Create(ID_FILE_MENU, "", x, y, mainWindow, "FILEUP", "FILEDN");
    fileButton_.SetCursorResource("FCUR");
    editButton_.Create(ID_EDIT_MENU, "", x + 18, y, mainWindow, "EDITUP", "EDITDN");
    editButton_.SetCursorResource("ECUR");
    optionsButton_.Create(ID_OPTIONS_MENU, "", x + 36, y, mainWindow, "MIDIUP", "MIDIDN");
    optionsButton_.SetCursorResource("MCUR");

    // The window lies over the three buttons; it paints nothing itself.
    area_ = fileButton_.Rect();
    for (const MBmpButton* button : {&editButton_, &optionsButton_}) {
        const RECT r = button->Rect();
        area_.left = std::min(area_.left, r.left);
        area_.top = std::min(area_.top, r.top);
        area_.right = std::max(area_.right, r.right);
        area_.bottom = std::max(area_.bottom, r.bottom);
    }
    ApplyZoom();
    return true;
}

void MenuBar::ApplyZoom() {
    const RECT shown = Zoom::ToWindow(area_);
    MoveWindow(window_, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, FALSE);
}

void MenuBar::ApplyColorScheme(Colorref rgb) {
    scheme_.DeriveFromBase(rgb);
    fileButton_.SetColors(scheme_.highlightText, scheme_.highlight);
    editButton_.SetColors(scheme_.btnFace, scheme_.btnShadow);
    optionsButton_.SetColors(scheme_.highlight, scheme_.highlightText);
}

void MenuBar::OpenMenu(int menuId, int buttonId) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
    if (!menu) return;
    HMENU popup = GetSubMenu(menu, 0);
    if (popup) {
        if (preparer_) preparer_(menuId, popup);
        const MBmpButton* button = buttonId == ID_EDIT_MENU      ? &editButton_
                                   : buttonId == ID_OPTIONS_MENU ? &optionsButton_
                                                                 : &fileButton_;
        const RECT r = button->Rect();
        POINT corner = {Zoom::ToWindow(r.left), Zoom::ToWindow(r.bottom)};
        ClientToScreen(GetParent(window_), &corner);
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, corner.x, corner.y, 0, window_, nullptr);
    }
    DestroyMenu(menu);
}

LRESULT CALLBACK MenuBar::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<MenuBar*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    switch (message) {
    case WM_COMMAND:
        if (self->handler_ && self->handler_(LOWORD(wParam))) return 0;
        break;
    case WM_ERASEBKGND:
        return TRUE;  // it erases nothing: the buttons are painted by the main window
    case WM_PAINT:
        ValidateRect(window, nullptr);
        return 0;
    default:
        break;
    }
    return CallWindowProcA(self->staticProc_, window, message, wParam, lParam);
}
