#include "panels/chain_popup.h"

#include "ui/window_dpi.h"
#include "ui/window_helpers.h"
#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/edit.h"
#include "controls/resource_module.h"
#include "controls/zoom.h"
#include "editing/control_ids.h"
#include "resources/resource.h"

namespace {
constexpr int kWidth = 127, kHeight = 22;
}

ChainPopup::ChainPopup() : Dialog(IDD_CHAIN_POPUP, nullptr) {}

ChainPopup::~ChainPopup() {
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
}

bool ChainPopup::Create(HWND owner, Setup& setup) {
    setup_ = &setup;
    return CreateModeless(owner);
}

BOOL ChainPopup::OnInitDialog() {
    Dialog::OnInitDialog();
    x_ = y_ = measureIndex_ = 0;
    KeepDialogLayoutOnDpiChange(Handle());
    const int width = Zoom::ToWindow(kWidth), height = Zoom::ToWindow(kHeight);
    ResizeToClient(Handle(), RECT{x_, y_, x_ + width, y_ + height});
    MoveWindow(Handle(), x_, y_, width, height, TRUE);
    defaultCursor_ = ResourceCursor("NOCUR");
    backgroundLabel_.Create(0, "LOOPBKGBMP", 0, 0, this, "LOOPBKGBMP");
    nextDial_.Create(ID_CHAIN_NEXT_FIRST, 1, 1, "UPARROW", 21, 0, "DNARROW", 21, 9, this, 0, 3, 21, 15, 1, 0, 8, 1, 0, 0,
                     0, 0, 0, false);
    nextDial_.SetTransparent(false);
    nextDial_.SetLiveTyping(true);
    repeatDial_.Create(ID_CHAIN_REPEAT_FIRST, 96, 1, "UPARROW", 0, 0, "DNARROW", 0, 9, this, 7, 3, 21, 15, 1, 0, 32, 4,
                       0, 0, 0, 0, 0, false);
    repeatDial_.SetTransparent(false);
    repeatDial_.SetLiveTyping(true);
    SetFocus(nullptr);
    return FALSE;
}

void ChainPopup::ApplyZoom() {
    SetWindowPos(Handle(), nullptr, 0, 0, Zoom::ToWindow(kWidth), Zoom::ToWindow(kHeight),
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyZoomToFields(Handle());
    InvalidateRect(Handle(), nullptr, TRUE);
}

void ChainPopup::SetColors(const ColorScheme& scheme) {
    colours_ = scheme;
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
    backgroundBrush_ = CreateSolidBrush(colours_.btnShadow);
    for (MDial* dial : {&nextDial_, &repeatDial_})
        dial->SetColors7(colours_.highlightText, colours_.highlight, colours_.highlight, colours_.highlightText, 0, 0, 0);
    backgroundLabel_.SetColors(colours_.highlight2, colours_.background);
}

void ChainPopup::ShowFor(int x, int y, int measure) {
    x_ = x;
    y_ = y;
    measureIndex_ = measure;
    SetWindowPos(Handle(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    const Measure& m = setup_->measures[measure];
    nextDial_.SetValue(m.nextMeasure + 1);  // measures show as 1 to 8
    repeatDial_.SetValue(m.repeatCount);
    ShowWindow(Handle(), SW_SHOW);
    SetFocus(nullptr);
}

void ChainPopup::HidePopup() { ShowWindow(Handle(), SW_HIDE); }

bool ChainPopup::IsShown() const { return Handle() && IsWindowVisible(Handle()); }

void ChainPopup::OnControlEvent(int event, int x, int y, int id) {
    if (!ControlRegistry::UpdateControlCursor(event, x, y, this)) SetCursor(ZoomedCursor(defaultCursor_));
    if (id == 0) id = ControlRegistry::DispatchMouseEvent(event, x, y, this);
    // A press only presses the arrow; the action comes with the release.
    if (event != CE_LBUTTONUP && event != CE_FIELD_COMMIT && event != CE_MOUSEMOVE) return;
    Measure& measure = setup_->measures[measureIndex_];
    if (InRange(id, ID_CHAIN_NEXT_FIRST, ID_CHAIN_NEXT_LAST)) {
        nextDial_.OnChildEvent(id);
        const int next = nextDial_.GetValue() - 1;
        if (next != measure.nextMeasure) setup_->modified = 1;
        measure.nextMeasure = static_cast<int16_t>(next);
    } else if (InRange(id, ID_CHAIN_REPEAT_FIRST, ID_CHAIN_REPEAT_LAST)) {
        repeatDial_.OnChildEvent(id);
        const int repeat = repeatDial_.GetValue();
        if (repeat != measure.repeatCount) setup_->modified = 1;
        measure.repeatCount = static_cast<int16_t>(repeat);
    }
}

void ChainPopup::OnPaint() {
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(Handle(), update, FALSE);
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    RECT client;
    GetClientRect(Handle(), &client);
    // The layout at its own size, enlarged as it is copied; the background
    // goes into the buffer first, as the dialog's erase would paint it.
    if (HDC target = paintBuffer_.Begin(update, client.right, client.bottom, Zoom::Factor())) {
        RECT box;
        GetClipBox(target, &box);
        FillRect(target, &box, backgroundBrush_);
        ControlRegistry::PaintControls(target, this);
        paintBuffer_.End(dc, update);
    } else if (Zoom::Factor() == 1) {
        ControlRegistry::PaintControls(dc, this);
    }
    EndPaint(Handle(), &paint);
    DeleteObject(update);
}

LRESULT ChainPopup::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectFieldMessage(message, wParam, lParam, &result)) return result;
    switch (message) {
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_CTLCOLORDLG:
        SetBkColor(reinterpret_cast<HDC>(wParam), colours_.highlight2);
        SetTextColor(reinterpret_cast<HDC>(wParam), colours_.btnFace);
        return reinterpret_cast<LRESULT>(backgroundBrush_);
    case WM_LBUTTONDOWN:
        SetFocus(nullptr);
        [[fallthrough]];
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MOUSEMOVE: {
        int event, x, y;
        MouseMessageToEvent(message, lParam, &event, &x, &y);
        OnControlEvent(event, x, y, 0);
        return Default(message, wParam, lParam);
    }
    default:
        return Dialog::WindowProc(message, wParam, lParam);
    }
}
