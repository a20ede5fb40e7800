#include "files/question_box.h"

#include "ui/window_helpers.h"

namespace {
INT_PTR CALLBACK QuestionProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, 200, reinterpret_cast<const char*>(lParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK: EndDialogAtOnce(dialog, 1); return TRUE;
        case IDCANCEL: EndDialogAtOnce(dialog, 0); return TRUE;
        case 201: EndDialogAtOnce(dialog, 2); return TRUE;
        default: return FALSE;
        }
    default:
        return FALSE;
    }
}
}  // namespace

INT_PTR AskQuestion(HWND owner, const char* templateName, const std::string& text) {
    return DialogBoxParamA(GetModuleHandleA(nullptr), templateName, owner, QuestionProc,
                           reinterpret_cast<LPARAM>(text.c_str()));
}
