#include "tests/controls/test_host.h"

#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/edit.h"
#include "controls/key_state.h"

namespace {
const char kClassName[] = "StepforgeControlTestHost";

void RegisterHostClass() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = CreateSolidBrush(kHostBackground);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
}

HWND SharedWindow() {
    static HWND window = nullptr;
    if (!window) {
        RegisterHostClass();
        window = CreateWindowExA(WS_EX_TOPMOST, kClassName, "controls under test", WS_POPUP | WS_VISIBLE, 0, 0, 240,
                                 180, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    return window;
}

BOOL CALLBACK DestroyChild(HWND child, LPARAM) {
    DestroyWindow(child);
    return TRUE;
}

void PumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
}  // namespace

TestHost::TestHost() : window_(SharedWindow()) {
    SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProc));
    SetForegroundWindow(window_);
    SetFocus(window_);
    InvalidateRect(window_, nullptr, TRUE);
    PumpMessages();
    UpdateWindow(window_);
}

TestHost::~TestHost() { Close(); }

void TestHost::Close() {
    if (!window_) return;
    ReleaseCapture();
    EnumChildWindows(window_, DestroyChild, 0);
    if (GetWindowLongPtrA(window_, GWLP_USERDATA) == reinterpret_cast<LONG_PTR>(this)) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    }
    PumpMessages();
    window_ = nullptr;
}

HWND DetachedHost::HostWindow() const { return SharedWindow(); }

void TestHost::OnControlEvent(int event, int x, int y, int id) {
    if (id == 0) {
        lastCursorId = ControlRegistry::UpdateControlCursor(event, x, y, this);
        if (!lastCursorId) SetCursor(LoadCursorA(nullptr, IDC_ARROW));
        id = ControlRegistry::DispatchMouseEvent(event, x, y, this);
    }
    events.push_back({event, x, y, id});
    if (id && onControl) onControl(event, id);
}

RECT TestHost::UpdateRect() const {
    RECT rect = {0, 0, 0, 0};
    GetUpdateRect(window_, &rect, FALSE);
    return rect;
}

COLORREF TestHost::WindowPixel(int x, int y) const {
    HDC dc = GetDC(window_);
    const COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(window_, dc);
    return colour;
}

void TestHost::Mouse(UINT message, int x, int y) {
    const WPARAM keys = message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE ? MK_LBUTTON : 0;
    SendMessageA(window_, message, keys, MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

LRESULT CALLBACK TestHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* host = reinterpret_cast<TestHost*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    LRESULT result = 0;
    if (ReflectFieldMessage(message, wParam, lParam, &result)) return result;
    if (message == WM_PAINT && host) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        ControlRegistry::PaintControls(dc, host);
        EndPaint(window, &paint);
        return 0;
    }
    if (message == WM_PAINT) {  // between tests
        ValidateRect(window, nullptr);
        return 0;
    }
    int event, x, y;
    if (host && MouseMessageToEvent(message, lParam, &event, &x, &y)) host->OnControlEvent(event, x, y, 0);
    return DefWindowProcA(window, message, wParam, lParam);
}

Canvas::Canvas(int width, int height) : width_(width), height_(height) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bits_ = static_cast<unsigned*>(bits);
    previous_ = SelectObject(dc_, bitmap_);
    FillClip(kCanvasFill);
}

Canvas::~Canvas() {
    SelectObject(dc_, previous_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
}

void Canvas::Paint(const ControlHost* host) { ControlRegistry::PaintControls(dc_, host); }

COLORREF Canvas::Pixel(int x, int y) const {
    GdiFlush();
    const unsigned bgrx = bits_[y * width_ + x];
    return RGB((bgrx >> 16) & 0xFF, (bgrx >> 8) & 0xFF, bgrx & 0xFF);
}

void Canvas::FillClip(COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    const RECT all = {0, 0, width_, height_};
    FillRect(dc_, &all, brush);
    DeleteObject(brush);
}

bool FakeKeys::ctrl = false;
int FakeKeys::leftButtonDownPolls = 0;
int FakeKeys::leftButtonPolls = 0;

namespace {
SHORT FakeKeyState(int virtualKey) {
    if (virtualKey == VK_CONTROL) return FakeKeys::ctrl ? static_cast<SHORT>(0x8000) : 0;
    if (virtualKey == VK_LBUTTON) {
        ++FakeKeys::leftButtonPolls;
        if (FakeKeys::leftButtonDownPolls > 0) {
            --FakeKeys::leftButtonDownPolls;
            return static_cast<SHORT>(0x8000);
        }
    }
    return 0;
}
}  // namespace

void FakeKeys::Install() {
    ctrl = false;
    leftButtonDownPolls = 0;
    leftButtonPolls = 0;
    SetKeyStateQuery(FakeKeyState);
}

void FakeKeys::Remove() { SetKeyStateQuery(nullptr); }

void TypeInto(HWND field, const std::string& text) {
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    for (char c : text) SendMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 1);
}
