// The buttons: their looks, the tinting of their pictures, and the mouse
// protocol of press, capture, drag off, drag back and release.
#include <gtest/gtest.h>

#include "controls/bmp_button.h"
#include "controls/bmp_label.h"
#include "controls/button.h"
#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/mono_bitmap.h"
#include "controls/toggle_button.h"
#include "tests/controls/fixture.h"

namespace {

constexpr COLORREF kInk = RGB(10, 20, 200);
constexpr COLORREF kPaper = RGB(240, 230, 20);
constexpr COLORREF kPressedInk = RGB(200, 10, 10);
constexpr COLORREF kPressedPaper = RGB(20, 200, 20);
constexpr COLORREF kAltInk = RGB(90, 0, 90);
constexpr COLORREF kAltPaper = RGB(0, 90, 90);

// TESTUP (6 x 4): black at (0,0), (1,0), (0,1), (0,2); TESTDN: black at
// (5,2), (4,3), (5,3). Everything else white.
enum class Look { kReleased, kPressed };

void ExpectLook(COLORREF (*pixel)(void*, int, int), void* source, int left, int top, Look look, COLORREF ink,
                COLORREF paper) {
    if (look == Look::kReleased) {
        EXPECT_EQ(pixel(source, left + 0, top + 0), ink);
        EXPECT_EQ(pixel(source, left + 0, top + 2), ink);
        EXPECT_EQ(pixel(source, left + 5, top + 3), paper);
        EXPECT_EQ(pixel(source, left + 3, top + 1), paper);
    } else {
        EXPECT_EQ(pixel(source, left + 0, top + 0), paper);
        EXPECT_EQ(pixel(source, left + 5, top + 3), ink);
        EXPECT_EQ(pixel(source, left + 4, top + 3), ink);
        EXPECT_EQ(pixel(source, left + 3, top + 1), paper);
    }
}

COLORREF CanvasPixel(void* canvas, int x, int y) { return static_cast<Canvas*>(canvas)->Pixel(x, y); }
COLORREF WindowPixel(void* host, int x, int y) { return static_cast<TestHost*>(host)->WindowPixel(x, y); }

}  // namespace

class ButtonTest : public ControlTest {
protected:
    template <class T>
    T* Picture(int id, int x, int y) {
        T* button = Make<T>();
        button->Create(id, "", x, y, host, "TESTUP", "TESTDN");
        button->SetColors4(kInk, kPaper, kPressedInk, kPressedPaper);
        return button;
    }
    void ExpectCanvasLook(int left, int top, Look look, COLORREF ink, COLORREF paper) {
        Canvas canvas;
        canvas.Paint(host);
        ExpectLook(CanvasPixel, &canvas, left, top, look, ink, paper);
    }
    // What the window shows right now, without waiting for WM_PAINT.
    void ExpectWindowLook(int left, int top, Look look, COLORREF ink, COLORREF paper) {
        ExpectLook(WindowPixel, host, left, top, look, ink, paper);
    }
};

TEST_F(ButtonTest, TextButtonShowsItsPressedFaceMovedDownAndRight) {
    MButton* button = Make<MButton>();
    button->Create(1, "", 20, 20, 10, 8, host);
    button->SetColors(kInk, kPaper);
    {
        Canvas canvas;
        canvas.Paint(host);
        EXPECT_EQ(canvas.Pixel(20, 20), kPaper);
        EXPECT_EQ(canvas.Pixel(29, 27), kPaper);
    }
    button->SetPressed(true);
    Canvas canvas;
    canvas.Paint(host);
    EXPECT_EQ(canvas.Pixel(20, 20), kInk);
    EXPECT_EQ(canvas.Pixel(21, 25), kInk);  // 2-pixel strip on the left
    EXPECT_EQ(canvas.Pixel(25, 21), kInk);  // and along the top
    EXPECT_EQ(canvas.Pixel(22, 22), kPaper);
    EXPECT_EQ(canvas.Pixel(29, 27), kPaper);
    EXPECT_EQ(canvas.Pixel(30, 28), kCanvasFill);
}

TEST_F(ButtonTest, BitmapButtonIsSizedByItsReleasedPictureAndTintsBothPictures) {
    MBmpButton* button = Picture<MBmpButton>(1, 30, 40);
    const RECT rect = button->Rect();
    EXPECT_EQ(rect.right - rect.left, 6);
    EXPECT_EQ(rect.bottom - rect.top, 4);
    EXPECT_EQ(button->ClassName(), "MBmpButton");
    ExpectCanvasLook(30, 40, Look::kReleased, kInk, kPaper);
    button->SetPressed(true);
    ExpectCanvasLook(30, 40, Look::kPressed, kPressedInk, kPressedPaper);
    // Plain SetColors gives the pressed look the same pair.
    button->SetColors(kAltInk, kAltPaper);
    ExpectCanvasLook(30, 40, Look::kPressed, kAltInk, kAltPaper);
}

TEST_F(ButtonTest, BitmapsLoadedAtEveryUseDrawTheSameAndMissingOnesAreOnePixel) {
    MonoBitmap held(true), reloaded(false);
    held.Load("TESTUP");
    reloaded.Load("TESTUP");
    EXPECT_EQ(held.GetSize().cx, 6);
    EXPECT_EQ(reloaded.GetSize().cy, 4);
    Canvas canvas;
    held.Draw(canvas.Dc(), kInk, kPaper, 0, 0);
    reloaded.Draw(canvas.Dc(), kInk, kPaper, 10, 0);
    ExpectLook(CanvasPixel, &canvas, 0, 0, Look::kReleased, kInk, kPaper);
    ExpectLook(CanvasPixel, &canvas, 10, 0, Look::kReleased, kInk, kPaper);
    // The DC's own colours are restored afterwards.
    EXPECT_NE(GetTextColor(canvas.Dc()), kInk);

    MonoBitmap missing(false);
    missing.Load("NOSUCHBMP");
    EXPECT_EQ(missing.GetSize().cx, 1);
    EXPECT_EQ(missing.GetSize().cy, 1);
    MBmpButton* arrowless = Make<MBmpButton>();
    arrowless->Create(2, "", 50, 50, host, "UP", "DN");
    EXPECT_EQ(arrowless->Rect().right, 51);
    EXPECT_EQ(arrowless->Rect().bottom, 51);
}

TEST_F(ButtonTest, LabelShowsItsPictureAndTakesNoMouseInput) {
    MBmpLabel* label = Make<MBmpLabel>();
    label->Create(0, "TESTUP", 5, 6, host, "TESTUP");
    label->SetColors(kInk, kPaper);
    EXPECT_EQ(label->Rect().right, 11);
    EXPECT_EQ(label->Rect().bottom, 10);
    EXPECT_EQ(label->ClassName(), "MWnd");
    ExpectCanvasLook(5, 6, Look::kReleased, kInk, kPaper);
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 6, 7), 0);
}

TEST_F(ButtonTest, ClickPressesAtOnceHoldsTheMouseAndReportsTheRelease) {
    MBmpButton* button = Picture<MBmpButton>(7, 30, 40);
    host->Update();
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 30, 40), 7);
    EXPECT_TRUE(button->IsPressed());
    EXPECT_EQ(ControlRegistry::CapturedControl(), button);
    ExpectWindowLook(30, 40, Look::kPressed, kPressedInk, kPressedPaper);
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 31, 41), 0);
    EXPECT_EQ(button->OnMouse(CE_LBUTTONUP, 35, 43), HIT_ACTED);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(ControlRegistry::CapturedControl(), nullptr);
    ExpectWindowLook(30, 40, Look::kReleased, kInk, kPaper);
    // The right and bottom edges are outside.
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 36, 41), 0);
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 31, 44), 0);
}

TEST_F(ButtonTest, DraggedOffAndReleasedOutsideReportsNothing) {
    MBmpButton* button = Picture<MBmpButton>(7, 30, 40);
    host->Update();
    host->Mouse(WM_LBUTTONDOWN, 32, 41);
    host->Mouse(WM_MOUSEMOVE, 80, 80);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(ControlRegistry::CapturedControl(), button);
    ExpectWindowLook(30, 40, Look::kReleased, kInk, kPaper);
    host->Mouse(WM_LBUTTONUP, 80, 80);
    EXPECT_EQ(ControlRegistry::CapturedControl(), nullptr);
    ASSERT_EQ(host->events.size(), 3u);
    EXPECT_EQ(host->events[0].id, 7);
    EXPECT_EQ(host->events[1].id, 0);
    EXPECT_EQ(host->events[2].id, 0);
}

TEST_F(ButtonTest, DraggedOffAndBackIsOneClick) {
    MBmpButton* button = Picture<MBmpButton>(7, 30, 40);
    host->Update();
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 32, 41), 7);
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 10, 10), 0);
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 12, 10), 0);
    EXPECT_FALSE(button->IsPressed());
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 33, 42), 0);
    EXPECT_TRUE(button->IsPressed());
    ExpectWindowLook(30, 40, Look::kPressed, kPressedInk, kPressedPaper);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 33, 42), 7);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 33, 42), 0);
}

TEST_F(ButtonTest, ReleaseOverAnotherButtonAfterDraggingOffReportsNothing) {
    MBmpButton* first = Picture<MBmpButton>(7, 30, 40);
    MBmpButton* second = Picture<MBmpButton>(8, 60, 40);
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 31, 41), 7);
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 61, 41), 0);
    EXPECT_FALSE(second->IsPressed());
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 61, 41), 0);
    EXPECT_EQ(ControlRegistry::CapturedControl(), nullptr);
    EXPECT_FALSE(first->IsPressed());
    EXPECT_FALSE(second->IsPressed());
}

TEST_F(ButtonTest, RightPressInsideIsReportedAndChangesNothing) {
    MToggleButton* toggle = Picture<MToggleButton>(9, 30, 40);
    EXPECT_EQ(toggle->OnMouse(CE_RBUTTONDOWN, 31, 41), HIT_RCLICK);
    EXPECT_EQ(toggle->OnMouse(CE_RBUTTONDOWN, 20, 20), 0);
    EXPECT_FALSE(toggle->IsPressed());
    EXPECT_FALSE(toggle->IsOn());
    EXPECT_EQ(ControlRegistry::CapturedControl(), nullptr);
}

TEST_F(ButtonTest, HiddenButtonTakesNothingAndShowsNoCursor) {
    MBmpButton* button = Picture<MBmpButton>(7, 30, 40);
    button->SetCursorResource("PUSHCUR");
    button->Hide();
    for (int event : {CE_LBUTTONDOWN, CE_LBUTTONUP, CE_RBUTTONDOWN, CE_MOUSEMOVE}) {
        EXPECT_EQ(button->OnMouse(event, 31, 41), 0) << event;
    }
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 31, 41, host), 0);
}

TEST_F(ButtonTest, ToggleShowsTheStateItWillTakeAndFlipsOnRelease) {
    MToggleButton* toggle = Picture<MToggleButton>(9, 30, 40);
    EXPECT_EQ(toggle->ClassName(), "MToggleButton");
    toggle->SetOn(true);
    host->Update();
    ExpectWindowLook(30, 40, Look::kPressed, kPressedInk, kPressedPaper);

    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 31, 41), 9);
    ExpectWindowLook(30, 40, Look::kReleased, kInk, kPaper);  // drawn at once
    host->Validate();
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 31, 41), 9);
    EXPECT_FALSE(toggle->IsOn());
    EXPECT_EQ(ControlRegistry::CapturedControl(), nullptr);
    EXPECT_EQ(host->UpdateRect().left, 30);  // repainted through invalidation
    ExpectCanvasLook(30, 40, Look::kReleased, kInk, kPaper);

    // A drag off and a release outside leave the state alone.
    Dispatch(CE_LBUTTONDOWN, 31, 41);
    Dispatch(CE_MOUSEMOVE, 0, 0);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 0, 0), 0);
    EXPECT_FALSE(toggle->IsOn());
}

TEST_F(ButtonTest, SetOnWhileRedrawIsOffStoresWithoutPainting) {
    MToggleButton* toggle = Picture<MToggleButton>(9, 30, 40);
    host->Update();
    host->Validate();
    toggle->SetRedraw(false);
    toggle->SetOn(true);
    EXPECT_TRUE(toggle->IsOn());
    EXPECT_EQ(host->UpdateRect().right, 0);
    EXPECT_EQ(host->WindowPixel(30, 40), kInk);
}

TEST_F(ButtonTest, DualToggleUsesTheAlternateColoursInBothLooks) {
    MDualToggleButton* dual = Make<MDualToggleButton>();
    dual->Create(20001, "", 30, 40, host, "TESTUP", "TESTDN");
    dual->SetColors8(kInk, kPaper, kPressedInk, kPressedPaper, kAltInk, kAltPaper, RGB(1, 2, 3), RGB(4, 5, 6));
    EXPECT_EQ(dual->ClassName(), "MToggleButton");
    host->Update();
    host->Validate();
    dual->SetUseAlternate(true);
    EXPECT_EQ(host->UpdateRect().right, 0);  // no repaint of its own
    ExpectCanvasLook(30, 40, Look::kReleased, kAltInk, kAltPaper);
    dual->SetOn(true);
    ExpectCanvasLook(30, 40, Look::kPressed, RGB(1, 2, 3), RGB(4, 5, 6));
    dual->SetUseAlternate(false);
    ExpectCanvasLook(30, 40, Look::kPressed, kPressedInk, kPressedPaper);
}
