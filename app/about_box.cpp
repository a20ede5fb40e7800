#include "app/about_box.h"

#include "ui/window_dpi.h"
#include "ui/window_helpers.h"
#include "controls/resource_module.h"
#include "controls/zoom.h"

namespace {
constexpr int kAboutTemplate = 172;
constexpr int kPictureControl = 301;
constexpr int kLinkControl = 1001;

RECT ScaledRect(const RECT& r, int numerator, int denominator) {
    return {MulDiv(r.left, numerator, denominator), MulDiv(r.top, numerator, denominator),
            MulDiv(r.right, numerator, denominator), MulDiv(r.bottom, numerator, denominator)};
}
}  // namespace

AboutBox::AboutBox(HWND owner) : Dialog(kAboutTemplate, owner) {}

AboutBox::~AboutBox() {
    if (picture_) DeleteObject(picture_);
    if (linkFont_) DeleteObject(linkFont_);
}

std::string AboutBox::ReadMeAddress() {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    const size_t slash = path.find_last_of('\\');
    return (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "ReadMe.htm";
}

BOOL AboutBox::OnInitDialog() {
    Dialog::OnInitDialog();
    FitToZoom();
    CenterWindow(Handle());
    SetCapture(Handle());
    handCursor_ = ResourceCursor("HANDCUR");
    defaultCursor_ = ResourceCursor("NOCUR");
    link_.Attach(GetDlgItem(Handle(), kLinkControl));
    link_.SetURL(ReadMeAddress());
    link_.SetUnderline(0);
    return TRUE;
}

void AboutBox::FitToZoom() {
    const int zoom = Zoom::Factor();
    HWND picture = GetDlgItem(Handle(), kPictureControl);
    if (zoom != 1 && picture) {
        // The picture with every pixel repeated; the control takes its size.
        const auto shown = reinterpret_cast<HBITMAP>(SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0));
        picture_ = shown ? Zoom::EnlargeBitmap(shown, zoom) : nullptr;
        if (picture_) {
            const auto old = reinterpret_cast<HBITMAP>(
                SendMessageA(picture, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(picture_)));
            if (old) DeleteObject(old);
        }
    }
    // The box and its link are laid out in dialog units for the screen's
    // DPI; the zoom stands for that DPI, so they are scaled from one to the other.
    const int numerator = zoom * kLayoutDpi, denominator = WindowDpi(Handle());
    HWND link = GetDlgItem(Handle(), kLinkControl);
    if (numerator == denominator || denominator <= 0 || !link) return;
    RECT client, area;
    GetClientRect(Handle(), &client);
    GetWindowRect(link, &area);
    MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&area), 2);
    area = ScaledRect(area, numerator, denominator);
    MoveWindow(link, area.left, area.top, area.right - area.left, area.bottom - area.top, FALSE);
    LOGFONTA font = {};
    if (GetObjectA(reinterpret_cast<HFONT>(SendMessageA(link, WM_GETFONT, 0, 0)), sizeof font, &font)) {
        font.lfHeight = MulDiv(font.lfHeight, numerator, denominator);
        linkFont_ = CreateFontIndirectA(&font);
        SendMessageA(link, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_), FALSE);
    }
    ResizeToClient(Handle(), ScaledRect(client, numerator, denominator));
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
        SetCursor(ZoomedCursor(OverLink(point) ? handCursor_ : defaultCursor_));
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
