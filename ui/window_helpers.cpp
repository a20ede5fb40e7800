#include "ui/window_helpers.h"

#include "ui/window_dpi.h"

void ResizeToClient(HWND window, const RECT& clientRect) {
    const RECT rect = WindowRectForClient(window, clientRect);
    MoveWindow(window, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void CenterWindow(HWND window) {
    RECT work;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    RECT rect;
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const int x = work.left + ((work.right - work.left) - width) / 2;
    const int y = work.top + ((work.bottom - work.top) - height) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void LeaveScreenAtOnce(HWND window) {
    // No more painting: the window's visible style goes, the window stays.
    if (window) SendMessageA(window, WM_SETREDRAW, FALSE, 0);
}

void EndDialogAtOnce(HWND dialog, INT_PTR result) {
    LeaveScreenAtOnce(dialog);
    EndDialog(dialog, result);
}
