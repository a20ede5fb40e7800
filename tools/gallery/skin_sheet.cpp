#include "tools/gallery/skin_sheet.h"

#include <string>
#include <vector>

#include "controls/mono_bitmap.h"
#include "controls/resource_module.h"

namespace {

constexpr COLORREF kSheetInk = RGB(0, 0, 0);
constexpr COLORREF kSheetPaper = RGB(255, 255, 255);
constexpr COLORREF kLabel = RGB(40, 40, 40);
constexpr COLORREF kMissing = RGB(190, 0, 0);
constexpr int kGap = 10;
constexpr int kLabelHeight = 12;

enum class Kind { kMonoBitmap, kColourBitmap, kCursor, kIcon };

struct Item {
    std::string name;
    Kind kind;
};

std::vector<Item> SkinItems() {
    std::vector<Item> items;
    for (const char* name :
         {"UPARROWUP", "UPARROWDN", "DNARROWUP", "DNARROWDN", "FILEUP", "FILEDN", "EDITUP", "EDITDN", "MIDIUP",
          "MIDIDN", "ONOFFUP", "ONOFFDN", "PLAYUP", "PLAYDN"}) {
        items.push_back({name, Kind::kMonoBitmap});
    }
    for (int n = 1; n <= 8; ++n) items.push_back({"LOOPSCTRL" + std::to_string(n) + "UP", Kind::kMonoBitmap});
    for (int n = 1; n <= 8; ++n) items.push_back({"LOOPSCTRL" + std::to_string(n) + "DN", Kind::kMonoBitmap});
    for (const char* name : {"PLAIN", "LOOPBKGBMP", "MEASURESBMP", "NOTEBMP", "GLOBALBMP"}) {
        items.push_back({name, Kind::kMonoBitmap});
    }
    items.push_back({"ABOUTBMP", Kind::kColourBitmap});
    for (const char* name : {"NOCUR", "GENCUR", "PUSHCUR", "UPCUR", "DNCUR", "BARHCUR", "BARVCUR", "TEXTCUR", "SIZECUR",
                             "HANDCUR", "FCUR", "ECUR", "MCUR"}) {
        items.push_back({name, Kind::kCursor});
    }
    items.push_back({"#128", Kind::kIcon});  // the program icon
    return items;
}

LPCSTR ResourceType(Kind kind) {
    switch (kind) {
    case Kind::kCursor: return RT_GROUP_CURSOR;
    case Kind::kIcon: return RT_GROUP_ICON;
    default: return RT_BITMAP;
    }
}

SIZE ImageSize(const Item& item) {
    if (item.kind == Kind::kCursor || item.kind == Kind::kIcon) return {32, 32};
    MonoBitmap bitmap(true);
    bitmap.Load(item.name);
    return bitmap.GetSize();
}

void DrawImage(Picture* picture, const Item& item, int x, int y) {
    HDC dc = picture->Dc();
    switch (item.kind) {
    case Kind::kMonoBitmap: {
        MonoBitmap bitmap(true);
        bitmap.Load(item.name);
        bitmap.Draw(dc, kSheetInk, kSheetPaper, x, y);
        break;
    }
    case Kind::kColourBitmap: {
        HBITMAP bitmap = static_cast<HBITMAP>(LoadImageA(ResourceModule(), item.name.c_str(), IMAGE_BITMAP, 0, 0, 0));
        BITMAP info = {};
        GetObjectA(bitmap, sizeof info, &info);
        HDC memory = CreateCompatibleDC(dc);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteDC(memory);
        DeleteObject(bitmap);
        break;
    }
    case Kind::kCursor: {
        HCURSOR cursor = LoadCursorA(ResourceModule(), item.name.c_str());
        picture->Fill(RECT{x, y, x + 32, y + 32}, RGB(200, 200, 200));
        DrawIconEx(dc, x, y, cursor, 32, 32, 0, nullptr, DI_NORMAL);
        break;
    }
    case Kind::kIcon: {
        HICON icon = static_cast<HICON>(LoadImageA(ResourceModule(), MAKEINTRESOURCEA(128), IMAGE_ICON, 32, 32, 0));
        DrawIconEx(dc, x, y, icon, 32, 32, 0, nullptr, DI_NORMAL);
        DestroyIcon(icon);
        break;
    }
    }
}

bool Exists(const Item& item) {
    if (item.kind == Kind::kIcon) return FindResourceA(ResourceModule(), MAKEINTRESOURCEA(128), RT_GROUP_ICON);
    return FindResourceA(ResourceModule(), item.name.c_str(), ResourceType(item.kind)) != nullptr;
}

}  // namespace

int DrawSkinSheet(Picture* picture, int x, int y, int width) {
    Picture measure(1, 1, 0);
    Picture* text = picture ? picture : &measure;
    int cursorX = x, cursorY = y, rowHeight = 0;
    std::string missing;
    for (const Item& item : SkinItems()) {
        if (!Exists(item)) {
            missing += (missing.empty() ? "" : ", ") + item.name;
            continue;
        }
        const SIZE size = ImageSize(item);
        const std::string label = item.name + " " + std::to_string(size.cx) + "x" + std::to_string(size.cy);
        const int cellWidth = std::max<int>(size.cx, text->LabelSize(label).cx);
        if (cursorX > x && cursorX + cellWidth > x + width) {
            cursorX = x;
            cursorY += rowHeight + kGap;
            rowHeight = 0;
        }
        if (picture) {
            DrawImage(picture, item, cursorX, cursorY);
            picture->Label(cursorX, cursorY + size.cy + 1, label, kLabel);
        }
        cursorX += cellWidth + kGap;
        rowHeight = std::max<int>(rowHeight, size.cy + kLabelHeight);
    }
    cursorY += rowHeight + kGap;
    if (!missing.empty()) {
        if (picture) picture->Label(x, cursorY, "Missing: " + missing, kMissing);
        cursorY += kLabelHeight + kGap;
    }
    return cursorY - y;
}
