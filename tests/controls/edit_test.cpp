// Text fields: the EDIT window's styles, colours through the reflected
// WM_CTLCOLOREDIT, shared and own fonts and brushes, cursor, focus loss.
#include <gtest/gtest.h>

#include <string>

#include "controls/edit.h"
#include "controls/gdi_helpers.h"
#include "controls/resource_module.h"
#include "tests/controls/fixture.h"

namespace {

LONG Style(const MEdit& field) { return GetWindowLongA(field.Handle(), GWL_STYLE); }

struct CtlColor {
    HBRUSH brush;
    COLORREF text, back;
};

// The host window is asked for the field's colours, as the EDIT control does.
CtlColor AskColours(TestHost* host, const MEdit& field) {
    HDC dc = GetDC(field.Handle());
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(host->HostWindow(), WM_CTLCOLOREDIT,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(field.Handle())));
    CtlColor result = {brush, GetTextColor(dc), GetBkColor(dc)};
    ReleaseDC(field.Handle(), dc);
    return result;
}

LOGFONTA FontOf(const MEdit& field) {
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(field.Handle(), WM_GETFONT, 0, 0)), sizeof font, &font);
    return font;
}

}  // namespace

using EditTest = ControlTest;

TEST_F(EditTest, StylesFollowSizeAndAlignment) {
    MEdit* right = Make<MEdit>();
    right->Create(3, host, 0, 0, 10, 10, 40, 15, "right");
    MEdit* center = Make<MEdit>();
    center->Create(4, host, 0, 0, 10, 30, 40, 15, "center");
    MEdit* left = Make<MEdit>();
    left->Create(5, host, 0, 0, 10, 50, 40, 15, "left");
    MEdit* other = Make<MEdit>();
    other->Create(6, host, 0, 0, 10, 70, 40, 15, "Right");
    MEdit* empty = Make<MEdit>();
    empty->Create(7, host, 0, 0, 10, 90, 0, 0, "left");

    EXPECT_TRUE(Style(*right) & ES_RIGHT);
    EXPECT_TRUE(Style(*center) & ES_CENTER);
    EXPECT_FALSE(Style(*left) & (ES_RIGHT | ES_CENTER));
    EXPECT_FALSE(Style(*other) & (ES_RIGHT | ES_CENTER));
    for (MEdit* field : {right, center, left, other}) {
        EXPECT_TRUE(Style(*field) & WS_TABSTOP);
        EXPECT_TRUE(Style(*field) & ES_NOHIDESEL);
        EXPECT_TRUE(Style(*field) & WS_VISIBLE);
    }
    EXPECT_FALSE(Style(*empty) & WS_TABSTOP);
    EXPECT_EQ(GetDlgCtrlID(right->Handle()), 3);
    // The rectangle is what was asked for, whatever happens to the window.
    MoveWindow(right->Handle(), 100, 100, 5, 5, FALSE);
    EXPECT_EQ(right->GetRect().left, 10);
    EXPECT_EQ(right->GetRect().right, 50);
}

TEST_F(EditTest, ColoursReachTheControlThroughReflection) {
    MEdit* field = Make<MEdit>();
    field->Create(3, host, 0, RGB(1, 2, 3), 10, 10, 60, 15, "left");
    EXPECT_EQ(field->TextColour(), GetSysColor(COLOR_HIGHLIGHT));  // 0 means the default
    EXPECT_EQ(field->BackColour(), RGB(1, 2, 3));
    EXPECT_EQ(field->Brush(), nullptr);  // until colours are set: the host's defaults

    field->SetColors(RGB(200, 0, 0), RGB(0, 0, 200));
    CtlColor asked = AskColours(host, *field);
    ASSERT_NE(asked.brush, nullptr);
    EXPECT_EQ(asked.brush, field->Brush());
    EXPECT_EQ(asked.text, RGB(200, 0, 0));
    EXPECT_EQ(asked.back, RGB(0, 0, 200));
    LOGBRUSH own = {};
    GetObjectA(asked.brush, sizeof own, &own);
    EXPECT_EQ(own.lbColor, RGB(0, 0, 200));

    // A shared brush stays when the colours change; the colours do not.
    HBRUSH shared = CreateSolidBrush(RGB(9, 9, 9));
    field->SetBrush(shared);
    field->SetColors(RGB(0, 200, 0), RGB(0, 100, 100));
    asked = AskColours(host, *field);
    EXPECT_EQ(asked.brush, shared);
    EXPECT_EQ(asked.text, RGB(0, 200, 0));
    EXPECT_EQ(asked.back, RGB(0, 100, 100));
    field->SetBrush(shared);  // handing it over again deletes nothing
    LOGBRUSH still = {};
    EXPECT_NE(GetObjectA(shared, sizeof still, &still), 0);

    // Painted in those colours on the screen.
    field->SetText("WWWW");
    RedrawWindow(field->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(field->Handle());
    EXPECT_EQ(GetPixel(dc, 58, 13), RGB(9, 9, 9));
    ReleaseDC(field->Handle(), dc);
}

TEST_F(EditTest, OwnFontIsSevenPointArialAndASharedFontIsUsedAsGiven) {
    MEdit* field = Make<MEdit>();
    field->Create(3, host, 0, 0, 10, 10, 60, 15, "left");
    const int dpi = 96;  // the layout's resolution, whatever the screen's: the zoom stands for that
    LOGFONTA font = FontOf(*field);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -(dpi * 70 / 720));

    field->SetFont("", 0);
    font = FontOf(*field);
    EXPECT_STREQ(font.lfFaceName, "Arial");
    EXPECT_EQ(font.lfHeight, -(dpi * 90 / 720));

    HFONT shared = CreatePointFont(120, "Courier New");
    field->SetFontObject(shared);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(field->Handle(), WM_GETFONT, 0, 0)), shared);
}

TEST_F(EditTest, ShowsTheTextCursorAndDropsTheSelectionWhenLeft) {
    MEdit* field = Make<MEdit>();
    field->Create(3, host, 0, 0, 10, 10, 60, 15, "left");
    field->SetColors(RGB(0, 0, 0), RGB(255, 255, 255));
    ASSERT_NE(field->Cursor(), nullptr);
    EXPECT_EQ(field->Cursor(), LoadCursorA(ResourceModule(), "TEXTCUR"));
    SetCursor(nullptr);
    SendMessageA(field->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(field->Handle()),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), field->Cursor());

    field->SetText("12345");
    EXPECT_EQ(SendMessageA(field->Handle(), EM_GETMODIFY, 0, 0), 0);
    SetFocus(field->Handle());
    SendMessageA(field->Handle(), EM_SETSEL, 1, 4);
    SetFocus(host->HostWindow());
    DWORD start = 0, end = 0;
    SendMessageA(field->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, end);
    EXPECT_EQ(field->GetText(), "12345");
}
