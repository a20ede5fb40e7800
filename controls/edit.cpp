#include "controls/edit.h"

#include <vector>

#include "controls/control_host.h"
#include "controls/gdi_helpers.h"
#include "controls/resource_module.h"
#include "controls/zoom.h"

namespace {
const char kFieldProperty[] = "StepforgeMEdit";
}

MEdit::MEdit() = default;

MEdit::~MEdit() {
    if (window_ && IsWindow(window_)) DestroyWindow(window_);
    if (font_) DeleteObject(font_);
    if (brush_ && !brushIsForeign_) DeleteObject(brush_);
}

void MEdit::Create(int id, ControlHost* parent, COLORREF textColour, COLORREF backColour, int x, int y, int width,
                   int height, const std::string& alignment) {
    id_ = id;
    parent_ = parent;
    textColour_ = textColour ? textColour : GetSysColor(COLOR_HIGHLIGHT);
    backColour_ = backColour ? backColour : GetSysColor(COLOR_BTNFACE);
    rect_ = {x, y, x + width, y + height};

    cursor_ = ResourceCursor("TEXTCUR");
    // Dials without a visible field have one of no size, which holds their
    // value as text; a window for it would only cost time at start-up.
    if (width < 1 || height < 1) return;
    DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_NOHIDESEL | WS_TABSTOP;
    if (alignment == "right") {
        style |= ES_RIGHT;
    } else if (alignment == "center") {
        style |= ES_CENTER;
    }
    HWND parentWindow = parent ? parent->HostWindow() : nullptr;
    const RECT shown = Zoom::ToWindow(rect_);
    window_ = CreateWindowExA(0, "EDIT", "", style, shown.left, shown.top, shown.right - shown.left,
                              shown.bottom - shown.top, parentWindow,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (window_) {
        SetPropA(window_, kFieldProperty, this);
        editProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FieldProc)));
    }
    SetFont("Arial", 70);
}

void MEdit::SetColors(COLORREF textColour, COLORREF backColour) {
    textColour_ = textColour;
    backColour_ = backColour;
    if (!brushIsForeign_) {
        if (brush_) DeleteObject(brush_);
        brush_ = CreateSolidBrush(backColour);
    }
    if (window_) InvalidateRect(window_, nullptr, TRUE);
}

void MEdit::SetFont(const std::string& faceName, int tenthsOfPoint) {
    faceName_ = faceName;
    tenthsOfPoint_ = tenthsOfPoint;
    HFONT previous = font_;
    font_ = CreatePointFont(tenthsOfPoint, faceName.c_str());
    foreignFont_ = nullptr;
    if (window_) SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
    if (previous) DeleteObject(previous);
    fontIsForeign_ = false;
}

void MEdit::SetFontObject(HFONT font) {
    // Every colour change hands the same shared font again: the field then
    // has it already, and measuring it anew costs each field a repaint.
    if (fontIsForeign_ && font == foreignFont_) return;
    fontIsForeign_ = true;
    foreignFont_ = font;
    if (window_) SendMessageA(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    if (font_) DeleteObject(font_);
    font_ = nullptr;
}

void MEdit::ApplyZoom() {
    if (!window_) return;
    const RECT shown = Zoom::ToWindow(rect_);
    MoveWindow(window_, shown.left, shown.top, shown.right - shown.left, shown.bottom - shown.top, TRUE);
    if (!fontIsForeign_) SetFont(faceName_, tenthsOfPoint_);
}

void MEdit::SetBrush(HBRUSH brush) {
    if (brush_ && !brushIsForeign_) DeleteObject(brush_);
    brushIsForeign_ = true;
    brush_ = brush;
}

void MEdit::SetText(const std::string& text) {
    if (!window_) {
        windowlessText_ = text;
        return;
    }
    SetWindowTextA(window_, text.c_str());
    SendMessageA(window_, EM_SETMODIFY, FALSE, 0);
}

std::string MEdit::GetText() const {
    if (!window_) return windowlessText_;
    std::vector<char> buffer(static_cast<size_t>(GetWindowTextLengthA(window_)) + 1);
    const int length = GetWindowTextA(window_, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
}

HBRUSH MEdit::OnCtlColor(HDC dc) {
    SetBkColor(dc, backColour_);
    SetTextColor(dc, textColour_);
    return brush_;
}

void MEdit::OnSetFocus() {}

void MEdit::OnKillFocus() { DropSelection(); }

void MEdit::OnChange() {}

void MEdit::DropSelection() {
    SendMessageA(window_, EM_SETSEL, static_cast<WPARAM>(-1), 0);
    SendMessageA(window_, EM_SCROLLCARET, 0, 0);
}

LRESULT MEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETCURSOR && cursor_) {
        SetCursor(ZoomedCursor(cursor_));
        return TRUE;
    }
    return Default(message, wParam, lParam);
}

LRESULT MEdit::Default(UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(editProc_, window_, message, wParam, lParam);
}

MEdit* MEdit::FromHandle(HWND window) { return static_cast<MEdit*>(GetPropA(window, kFieldProperty)); }

LRESULT CALLBACK MEdit::FieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MEdit* field = FromHandle(window);
    if (message == WM_NCDESTROY) {
        WNDPROC original = field->editProc_;
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(window, kFieldProperty);
        field->window_ = nullptr;
        return CallWindowProcA(original, window, message, wParam, lParam);
    }
    return field->WindowProc(message, wParam, lParam);
}

namespace {
BOOL CALLBACK ApplyZoomToField(HWND child, LPARAM) {
    if (MEdit* field = MEdit::FromHandle(child)) field->ApplyZoom();
    return TRUE;
}
}  // namespace

void ApplyZoomToFields(HWND host) { EnumChildWindows(host, ApplyZoomToField, 0); }

bool ReflectFieldMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
    HWND child = reinterpret_cast<HWND>(lParam);
    if (!child) return false;
    switch (message) {
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
        MEdit* field = MEdit::FromHandle(child);
        if (!field || !field->Brush()) return false;
        *result = reinterpret_cast<LRESULT>(field->OnCtlColor(reinterpret_cast<HDC>(wParam)));
        return true;
    }
    case WM_COMMAND: {
        MEdit* field = MEdit::FromHandle(child);
        if (!field) return false;
        switch (HIWORD(wParam)) {
        case EN_SETFOCUS: field->OnSetFocus(); break;
        case EN_KILLFOCUS: field->OnKillFocus(); break;
        case EN_CHANGE: field->OnChange(); break;
        default: return false;
        }
        *result = 0;
        return true;
    }
    default:
        return false;
    }
}
