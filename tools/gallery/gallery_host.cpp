#include "tools/gallery/gallery_host.h"

#include <cstdio>
#include <vector>

#include "controls/control_registry.h"
#include "controls/edit.h"
#include "controls/gdi_helpers.h"

namespace {
const char kClassName[] = "StepforgeSkinGallery";

struct PrintContext {
    HDC dc;
    HWND parent;
};

// Text fields are windows: each prints its client area at its place.
BOOL CALLBACK PrintField(HWND field, LPARAM context) {
    const auto* print = reinterpret_cast<const PrintContext*>(context);
    if (!(GetWindowLongA(field, GWL_STYLE) & WS_VISIBLE)) return TRUE;
    RECT rect;
    GetWindowRect(field, &rect);
    MapWindowPoints(nullptr, print->parent, reinterpret_cast<POINT*>(&rect), 2);
    if (rect.right <= rect.left || rect.bottom <= rect.top) return TRUE;
    const int saved = SaveDC(print->dc);
    SetViewportOrgEx(print->dc, rect.left, rect.top, nullptr);
    IntersectClipRect(print->dc, 0, 0, rect.right - rect.left, rect.bottom - rect.top);
    SendMessageA(field, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(print->dc), PRF_CLIENT | PRF_ERASEBKGND);
    RestoreDC(print->dc, saved);
    return TRUE;
}
}  // namespace

GalleryHost::GalleryHost(int width, int height) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kClassName;
    RegisterClassA(&windowClass);
    // Never shown: everything is drawn into a picture.
    window_ = CreateWindowExA(0, kClassName, "skin gallery", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
}

GalleryHost::~GalleryHost() {
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK GalleryHost::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (ReflectFieldMessage(message, wParam, lParam, &result)) return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

Picture::Picture(int width, int height, COLORREF fill) : width_(width), height_(height) {
    CreateColourBitmap(width, height, &surface_);
    labelFont_ = CreatePointFont(70, "Arial");
    Fill(RECT{0, 0, width, height}, fill);
}

Picture::~Picture() {
    DeleteColourBitmap(surface_);
    DeleteObject(labelFont_);
}

void Picture::Fill(const RECT& rect, COLORREF colour) { FillSolid(surface_.dc, rect, colour); }

SIZE Picture::LabelSize(const std::string& text) {
    HGDIOBJ previous = SelectObject(surface_.dc, labelFont_);
    SIZE size = {0, 0};
    GetTextExtentPoint32A(surface_.dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(surface_.dc, previous);
    return size;
}

int Picture::Label(int x, int y, const std::string& text, COLORREF colour) {
    HGDIOBJ previous = SelectObject(surface_.dc, labelFont_);
    SetTextColor(surface_.dc, colour);
    SetBkMode(surface_.dc, TRANSPARENT);
    TextOutA(surface_.dc, x, y, text.c_str(), static_cast<int>(text.size()));
    SIZE size = {0, 0};
    GetTextExtentPoint32A(surface_.dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(surface_.dc, previous);
    return size.cx;
}

void Picture::PaintHost(const GalleryHost& host) {
    const int saved = SaveDC(surface_.dc);
    ControlRegistry::PaintControls(surface_.dc, &host);
    RestoreDC(surface_.dc, saved);
    PrintContext context = {surface_.dc, host.HostWindow()};
    EnumChildWindows(host.HostWindow(), PrintField, reinterpret_cast<LPARAM>(&context));
}

bool Picture::WriteBmp(const std::string& path) const {
    GdiFlush();
    const int stride = (width_ * 3 + 3) & ~3;
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    info.biSize = sizeof info;
    info.biWidth = width_;
    info.biHeight = height_;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    info.biSizeImage = static_cast<DWORD>(stride * height_);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info, sizeof info, 1, out);
    std::vector<unsigned char> row(static_cast<size_t>(stride));
    for (int y = height_ - 1; y >= 0; --y) {
        for (int x = 0; x < width_; ++x) {
            const unsigned pixel = static_cast<const unsigned*>(surface_.bits)[y * width_ + x];
            row[x * 3 + 0] = static_cast<unsigned char>(pixel & 0xFF);
            row[x * 3 + 1] = static_cast<unsigned char>((pixel >> 8) & 0xFF);
            row[x * 3 + 2] = static_cast<unsigned char>((pixel >> 16) & 0xFF);
        }
        std::fwrite(row.data(), 1, row.size(), out);
    }
    return std::fclose(out) == 0;
}
