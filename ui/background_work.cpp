#include "ui/background_work.h"

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

constexpr char kProgressClass[] = "StepforgeProgress";
constexpr int kTextId = 100;
constexpr int kClientWidth = 260, kClientHeight = 92;

LRESULT CALLBACK ProgressProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* stop = reinterpret_cast<std::atomic<bool>*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if ((message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) || message == WM_CLOSE) {
        if (stop) stop->store(true);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateProgressBox(HWND owner, const char* title, std::atomic<bool>* stop) {
    static const bool registered = [] {
        WNDCLASSA type = {};
        type.lpfnWndProc = ProgressProc;
        type.hInstance = GetModuleHandleA(nullptr);
        type.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        type.lpszClassName = kProgressClass;
        return RegisterClassA(&type) != 0;
    }();
    if (!registered) return nullptr;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    RECT frame = {0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;
    RECT over = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner) GetWindowRect(owner, &over);
    HWND box = CreateWindowExA(0, kProgressClass, title, style, (over.left + over.right - width) / 2,
                               (over.top + over.bottom - height) / 2, width, height, owner, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
    if (!box) return nullptr;
    SetWindowLongPtrA(box, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(stop));
    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    HWND text = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 14, 12, kClientWidth - 28, 18, box,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kTextId)), GetModuleHandleA(nullptr),
                                nullptr);
    HWND hint = CreateWindowExA(0, "STATIC", "Press Escape to cancel.", WS_CHILD | WS_VISIBLE, 14, 32,
                                kClientWidth - 28, 18, box, nullptr, GetModuleHandleA(nullptr), nullptr);
    HWND cancel = CreateWindowExA(0, "BUTTON", "Cancel", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                                  kClientWidth - 14 - 80, kClientHeight - 12 - 24, 80, 24, box,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDCANCEL)), GetModuleHandleA(nullptr),
                                  nullptr);
    for (HWND child : {text, hint, cancel}) {
        if (child) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    ShowWindow(box, SW_SHOWNORMAL);
    return box;
}

bool IsInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

bool StartsWorkOfItsOwn(const MSG& msg) {
    switch (msg.message) {
    case WM_COMMAND:
    case WM_DROPFILES:
    case WM_CLOSE:
        return true;
    case WM_SYSCOMMAND: {
        // Minimizing or restoring from the taskbar only changes how the window shows.
        const WPARAM command = msg.wParam & 0xFFF0;
        return command != SC_MINIMIZE && command != SC_MAXIMIZE && command != SC_RESTORE;
    }
    default:
        return false;
    }
}

}  // namespace

void HeldMessages::PostAgain() {
    for (const MSG& msg : messages_) PostMessageA(msg.hwnd, msg.message, msg.wParam, msg.lParam);
    messages_.clear();
}

bool RunBesideWindow(HWND owner, const char* title, const std::function<void(const WorkProgress&)>& work,
                     HeldMessages& held) {
    std::atomic<bool> stop{false};
    std::atomic<int> permille{0};
    std::atomic<bool> done{false};
    const DWORD thread = GetCurrentThreadId();
    std::thread worker([&] {
        work([&](double fraction) {
            permille.store(static_cast<int>(fraction * 1000));
            return !stop.load();
        });
        done.store(true);
        PostThreadMessageA(thread, WM_NULL, 0, 0);  // wakes the wait below
    });

    const DWORD started = GetTickCount();
    HWND box = nullptr;
    int shownPercent = -1;
    bool quit = false;
    WPARAM quitCode = 0;
    while (!done.load()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                // Ending the program: stop the work and leave the quit for the outer loop.
                quit = true;
                quitCode = msg.wParam;
                stop.store(true);
                continue;
            }
            const bool forBox = box && msg.hwnd && (msg.hwnd == box || IsChild(box, msg.hwnd));
            if (IsInput(msg.message)) {
                if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
                    stop.store(true);
                    continue;
                }
                // Only the progress box takes input meanwhile.
                if (!forBox) continue;
            } else if (msg.hwnd && !forBox && StartsWorkOfItsOwn(msg)) {
                held.Hold(msg);
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (!box && !done.load() && GetTickCount() - started >= kProgressDelayMs) {
            box = CreateProgressBox(owner, title, &stop);
        }
        const int percent = permille.load() / 10;
        if (box && percent != shownPercent) {
            char text[64];
            std::snprintf(text, sizeof text, "%d %% done", percent);
            SetDlgItemTextA(box, kTextId, text);
            shownPercent = percent;
        }
    }
    worker.join();
    if (box) {
        SetWindowLongPtrA(box, GWLP_USERDATA, 0);
        DestroyWindow(box);
        if (owner) SetActiveWindow(owner);
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return !stop.load();
}
