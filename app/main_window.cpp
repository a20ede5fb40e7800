#include "app/main_window.h"

#include "app/application.h"
#include "app/window_helpers.h"
#include "resources/resource.h"

namespace {
constexpr int kClientWidthMax = 707;
constexpr int kClientWidthMin = 133;
constexpr int kClientHeight = 166;
constexpr UINT kAboutCommand = 0x0010;

SIZE WindowSizeForClient(HWND window, int width, int height) {
    RECT rect = {0, 0, width, height};
    AdjustWindowRectEx(&rect, static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE)));
    return {rect.right - rect.left, rect.bottom - rect.top};
}
}  // namespace

MainWindow::MainWindow() : Dialog(IDD_MAIN_WINDOW, nullptr) {
    icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN));
}

MainWindow::~MainWindow() = default;

BOOL MainWindow::OnInitDialog() {
    Dialog::OnInitDialog();
    initialised_ = false;
    TheApplication().mainWindow = Handle();

    AppendAboutItem();
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    // No CS_DBLCLKS: a double click arrives as two presses, as the controls expect.
    SetClassLongA(Handle(), GCL_STYLE, CS_BYTEALIGNCLIENT);

    ResizeToClient(Handle(), RECT{0, 0, kClientWidthMax, kClientHeight});
    CenterWindow(Handle());

    SetFocus(GetDlgItem(Handle(), IDOK));
    setup.modified = 0;
    initialised_ = true;
    return FALSE;  // the focus is placed already
}

void MainWindow::AppendAboutItem() {
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    char text[128] = {};
    if (!systemMenu || LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text) <= 0) return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, kAboutCommand, text);
}

bool MainWindow::PreTranslateMessage(MSG* msg) { return Dialog::PreTranslateMessage(msg); }

LRESULT MainWindow::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETMINMAXINFO:
        Default(msg, wParam, lParam);
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_SIZING:
        return TRUE;  // ignored: the limits above decide the size
    case WM_SIZE: {
        LRESULT result = Default(msg, wParam, lParam);
        // The width decides the steps per measure, so any resize is an edit.
        setup.modified = 1;
        return result;
    }
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(icon_);
    case WM_CLOSE:
        OnClose();
        return 0;
    default:
        return Dialog::WindowProc(msg, wParam, lParam);
    }
}

void MainWindow::OnGetMinMaxInfo(MINMAXINFO* info) {
    const SIZE largest = WindowSizeForClient(Handle(), kClientWidthMax, kClientHeight);
    const SIZE smallest = WindowSizeForClient(Handle(), kClientWidthMin, kClientHeight);
    info->ptMaxTrackSize = {largest.cx, largest.cy};
    info->ptMinTrackSize = {smallest.cx, smallest.cy};
}

void MainWindow::OnOK() {
    // Enter or a click on the focus holder never ends the program.
}

void MainWindow::OnCancel() {
    // Escape takes the same road as the close box, so unsaved work is never
    // dropped without the question that road asks.
    SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

void MainWindow::OnClose() { EndDialog(IDCANCEL); }
