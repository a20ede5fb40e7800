#include "ui/dialog.h"

#include "ui/window_helpers.h"

#include <algorithm>
#include <vector>

namespace {
std::vector<Dialog*>& ModelessDialogs() {
    static std::vector<Dialog*> dialogs;
    return dialogs;
}
}  // namespace

Dialog::Dialog(UINT templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

Dialog::~Dialog() {
    auto& dialogs = ModelessDialogs();
    dialogs.erase(std::remove(dialogs.begin(), dialogs.end(), this), dialogs.end());
    if (hwnd_) DestroyWindow(hwnd_);
}

bool Dialog::CreateModeless(HWND owner) {
    parent_ = owner;
    if (!CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), owner, DialogProc,
                            reinterpret_cast<LPARAM>(this)))
        return false;
    ModelessDialogs().push_back(this);
    return true;
}

Dialog* Dialog::ModelessTarget(const MSG& msg) {
    for (Dialog* dialog : ModelessDialogs()) {
        if (dialog->hwnd_ && (msg.hwnd == dialog->hwnd_ || IsChild(dialog->hwnd_, msg.hwnd))) return dialog;
    }
    return nullptr;
}

INT_PTR Dialog::DoModal() {
    ended_ = false;
    result_ = -1;
    HWND created = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId_), parent_,
                                      DialogProc, reinterpret_cast<LPARAM>(this));
    if (!created) return -1;
    if (parent_) EnableWindow(parent_, FALSE);
    // As DialogBox does: a modal dialog is shown even when its template is not WS_VISIBLE.
    if (!IsWindowVisible(created)) ShowWindow(created, SW_SHOW);

    running_ = true;
    MSG msg;
    while (!ended_) {
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == -1) break;
        if (got == 0) {
            // Leave WM_QUIT for an outer loop, as a modal dialog must.
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        Dialog* target = ModelessTarget(msg);
        const bool consumed = target ? target->PreTranslateMessage(&msg) : PreTranslateMessage(&msg);
        if (!consumed) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    running_ = false;

    if (parent_) {
        EnableWindow(parent_, TRUE);
        SetActiveWindow(parent_);
    }
    if (hwnd_) {
        LeaveScreenAtOnce(hwnd_);
        DestroyWindow(hwnd_);
    }
    hwnd_ = nullptr;
    return result_;
}

void Dialog::EndDialog(INT_PTR result) {
    result_ = result;
    ended_ = true;
    // Wake the loop in case no message is pending.
    if (hwnd_) PostMessageA(hwnd_, WM_NULL, 0, 0);
}

bool Dialog::PreTranslateMessage(MSG* msg) {
    return hwnd_ && IsDialogMessageA(hwnd_, msg);
}

LRESULT Dialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        if (LOWORD(wParam) == IDOK) { OnOK(); return 0; }
        if (LOWORD(wParam) == IDCANCEL) { OnCancel(); return 0; }
    }
    return Default(msg, wParam, lParam);
}

BOOL Dialog::OnInitDialog() { return TRUE; }
void Dialog::OnOK() { EndDialog(IDOK); }
void Dialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT Dialog::Default(UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(dialogManagerProc_, hwnd_, msg, wParam, lParam);
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM, LPARAM lParam) {
    if (msg != WM_INITDIALOG) return FALSE;
    // From here on every message goes through SubclassProc to WindowProc; the
    // dialog manager's procedure becomes the default processing.
    auto* self = reinterpret_cast<Dialog*>(lParam);
    self->hwnd_ = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->dialogManagerProc_ =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc)));
    return self->OnInitDialog();
}

LRESULT CALLBACK Dialog::SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (msg == WM_NCDESTROY) {
        WNDPROC original = self->dialogManagerProc_;
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return CallWindowProcA(original, hwnd, msg, wParam, lParam);
    }
    return self->WindowProc(msg, wParam, lParam);
}
