#include "app/about_box.h"

#include "ui/window_helpers.h"

namespace {
constexpr int kAboutTemplate = 172;
constexpr int kLinkControl = 1001;
}  // namespace

AboutBox::AboutBox(HWND owner) : Dialog(kAboutTemplate, owner) {}

std::string AboutBox::ReadMeAddress() {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    const size_t slash = path.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "ReadMe.htm";
}

BOOL AboutBox::OnInitDialog() {
    Dialog::OnInitDialog();
    CenterWindow(Handle());
    SetCapture(Handle());
    handCursor_ = LoadCursorA(GetModuleHandleA(nullptr), "HANDCUR");
    defaultCursor_ = LoadCursorA(GetModuleHandleA(nullptr), "NOCUR");
    link_.Attach(GetDlgItem(Handle(), kLinkControl));
    link_.SetURL(ReadMeAddress());
    link_.SetUnderline(0);
    return TRUE;
}

bool AboutBox::OverLink(POINT screenPoint) const {
    RECT area;
    return link_.Handle() && GetWindowRect(link_.Handle(), &area) && PtInRect(&area, screenPoint);
}

bool AboutBox::PreTranslateMessage(MSG* msg) {
    // Any command that reaches the box ends it.
    if (msg->message == WM_COMMAND) {
        EndDialog(1);
        return true;
    }
    return Dialog::PreTranslateMessage(msg);
}

LRESULT AboutBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CTLCOLORSTATIC:
        if (reinterpret_cast<HWND>(lParam) == link_.Handle())
            return reinterpret_cast<LRESULT>(link_.OnCtlColor(reinterpret_cast<HDC>(wParam)));
        break;
    case WM_MOUSEMOVE: {
        POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(Handle(), &point);
        SetCursor(OverLink(point) ? handCursor_ : defaultCursor_);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        POINT point = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(Handle(), &point);
        if (OverLink(point)) {
            link_.Activate();
            SetCapture(Handle());
        } else {
            EndDialog(1);
        }
        return 0;
    }
    default:
        break;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}
