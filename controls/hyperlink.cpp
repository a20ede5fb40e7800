#include "controls/hyperlink.h"

#include <shellapi.h>

#include "controls/hyperlink_text.h"

MLink::~MLink() {
    if (window_ && controlProc_) {
        SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(controlProc_));
        RemovePropA(window_, "MLink");
    }
    if (underlineFont_) DeleteObject(underlineFont_);
    if (normalFont_) DeleteObject(normalFont_);
}

bool MLink::Attach(HWND control) {
    if (!control || window_) return false;
    window_ = control;
    SetWindowLongA(control, GWL_STYLE, GetWindowLongA(control, GWL_STYLE) | SS_NOTIFY);

    char text[512] = {};
    GetWindowTextA(control, text, sizeof text);
    if (url_.empty()) url_ = text;
    if (text[0] == '\0') SetWindowTextA(control, url_.c_str());

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (!font) font = static_cast<HFONT>(GetStockObject(ANSI_VAR_FONT));
    LOGFONTA logFont = {};
    GetObjectA(font, sizeof logFont, &logFont);
    normalFont_ = CreateFontIndirectA(&logFont);
    logFont.lfUnderline = 1;
    underlineFont_ = CreateFontIndirectA(&logFont);

    SetPropA(control, "MLink", this);
    controlProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc)));
    return true;
}

void MLink::SetUnderline(int mode) {
    if (mode == underlineMode_) return;
    if (window_) {
        SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(mode == 1 ? underlineFont_ : normalFont_), TRUE);
        InvalidateRect(window_, nullptr, TRUE);
    }
    underlineMode_ = mode;
}

void MLink::SetVisited(bool visited) {
    visited_ = visited;
    if (window_) InvalidateRect(window_, nullptr, TRUE);
}

HBRUSH MLink::OnCtlColor(HDC dc) {
    SetTextColor(dc, hovering_ ? hoverColour : visited_ ? visitedColour : linkColour);
    SetBkMode(dc, TRANSPARENT);
    return static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
}

void MLink::Activate() {
    hovering_ = false;
    const INT_PTR result = OpenUrl(url_, SW_SHOW);
    // Visited says whether the last activation succeeded: a failure after
    // an earlier success shows the link unvisited again.
    SetVisited(result > 32);
    if (result > 32) return;
    MessageBeep(MB_ICONEXCLAMATION);
    ReportOpenError(result);
}

namespace {
// The default value of a key of HKEY_CLASSES_ROOT; false when it cannot be read.
bool ReadClassesRootDefault(const std::string& key, std::string* value) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
    char buffer[MAX_PATH] = {};
    LONG size = sizeof buffer;
    const bool ok = RegQueryValueA(handle, nullptr, buffer, &size) == ERROR_SUCCESS;
    RegCloseKey(handle);
    if (ok) *value = buffer;
    return ok;
}
}  // namespace

INT_PTR MLink::OpenUrl(const std::string& address, int showCommand) {
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, showCommand));
    if (result > 32) return result;
    std::string documentType, command;
    if (!ReadClassesRootDefault(".htm", &documentType)) return result;
    if (!ReadClassesRootDefault(documentType + "\\shell\\open\\command", &command)) return result;
    return WinExec(CommandLineForAddress(command, address).c_str(), showCommand);
}

namespace {
MLink::ErrorSink errorSink = nullptr;
}

void MLink::SetErrorSink(ErrorSink sink) { errorSink = sink; }

void MLink::ReportOpenError(INT_PTR code) {
    const std::string message = HyperlinkErrorMessage(static_cast<int>(code));
    if (errorSink) {
        errorSink(message);
        return;
    }
    MessageBoxA(nullptr, message.c_str(), "NOTE!", MB_ICONEXCLAMATION);
}

LRESULT CALLBACK MLink::ControlProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<MLink*>(GetPropA(window, "MLink"));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_ERASEBKGND) return TRUE;  // the dialog's background stays
    return CallWindowProcA(self->controlProc_, window, message, wParam, lParam);
}
