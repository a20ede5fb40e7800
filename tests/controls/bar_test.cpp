// Level bars: the value from the pointer, also beyond the ends and outside
// the window, and what is painted where.
#include <gtest/gtest.h>

#include "controls/bar.h"
#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "tests/controls/fixture.h"

namespace {
constexpr COLORREF kFill = RGB(200, 40, 40);
constexpr COLORREF kEmpty = RGB(40, 40, 200);
constexpr COLORREF kThumb = RGB(250, 250, 0);
}  // namespace

class BarTest : public ControlTest {
protected:
    // A vertical bar 6 x 100 at (20, 10) over 0..200, unless told otherwise.
    MBar* NewBar(bool horizontal = false, int min = 0, int max = 200) {
        MBar* bar = Make<MBar>();
        if (horizontal) {
            bar->Create(44, "bar", 20, 10, 100, 6, host, true);
        } else {
            bar->Create(44, "bar", 20, 10, 6, 100, host, false);
        }
        bar->SetRange(min, max);
        bar->SetColors3(kFill, kEmpty, kThumb);
        return bar;
    }
};

TEST_F(BarTest, VerticalBarTakesItsValueFromThePointerAndHoldsTheEndsBeyondThem) {
    MBar* bar = NewBar(false, -50, 150);
    EXPECT_EQ(bar->ClassName(), "MButton");
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 22, 50), 0);  // not pressed: no value
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 22, 85), 44);  // 25 of 100 pixels up
    EXPECT_EQ(bar->GetValue(), 0);
    EXPECT_EQ(ControlRegistry::CapturedControl(), bar);

    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 60, 10), 44);  // top row, sideways outside
    EXPECT_EQ(bar->GetValue(), 150);
    EXPECT_EQ(GetCapture(), host->HostWindow());  // moves keep coming while dragging
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 22, -40), 44);
    EXPECT_EQ(bar->GetValue(), 150);
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 22, 110), 44);  // bottom edge: min
    EXPECT_EQ(bar->GetValue(), -50);
    EXPECT_EQ(Dispatch(CE_MOUSEMOVE, 22, 59), 44);  // 51 up: 102 -> 52
    EXPECT_EQ(bar->GetValue(), 52);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 22, 400), 44);
    EXPECT_EQ(bar->GetValue(), -50);
    EXPECT_EQ(ControlRegistry::CapturedControl(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 22, 50), 0);
    EXPECT_EQ(Dispatch(CE_RBUTTONDOWN, 22, 50), 44);
    EXPECT_EQ(bar->GetValue(), -50);  // a right press changes nothing
}

TEST_F(BarTest, HorizontalBarFollowsThePointerThroughWindowMessages) {
    MBar* bar = NewBar(true);
    host->Mouse(WM_LBUTTONDOWN, 70, 12);
    EXPECT_EQ(bar->GetValue(), 100);
    host->Mouse(WM_MOUSEMOVE, -30, 12);  // as captured moves arrive, left of the window
    EXPECT_EQ(bar->GetValue(), 0);
    host->Mouse(WM_MOUSEMOVE, 500, 300);
    EXPECT_EQ(bar->GetValue(), 200);
    host->Mouse(WM_LBUTTONUP, 45, 0);
    EXPECT_EQ(bar->GetValue(), 50);
    ASSERT_EQ(host->events.size(), 4u);
    for (const TestHost::Event& e : host->events) EXPECT_EQ(e.id, 44);
}

TEST_F(BarTest, VerticalBarPaintsFilledPartEmptyPartAndThumb) {
    MBar* bar = NewBar();
    bar->SetValue(50);  // 25 pixels filled: split at y 85
    Canvas canvas;
    canvas.Paint(host);
    EXPECT_EQ(canvas.Pixel(20, 10), kEmpty);
    EXPECT_EQ(canvas.Pixel(25, 83), kEmpty);
    EXPECT_EQ(canvas.Pixel(20, 84), kThumb);  // thumb 2: rows 84 and 85
    EXPECT_EQ(canvas.Pixel(25, 85), kThumb);
    EXPECT_EQ(canvas.Pixel(22, 86), kFill);
    EXPECT_EQ(canvas.Pixel(22, 109), kFill);
    EXPECT_EQ(canvas.Pixel(22, 110), kCanvasFill);
}

TEST_F(BarTest, UnpaintedColourLeavesThatPartToWhatLiesBeneath) {
    MBar* bar = NewBar();
    bar->SetColors3(kFill, 0xFFFFFFFF, kThumb);
    bar->SetValue(100);  // split at 60
    Canvas canvas;
    canvas.Paint(host);
    EXPECT_EQ(canvas.Pixel(22, 30), kCanvasFill);
    EXPECT_EQ(canvas.Pixel(22, 59), kThumb);
    EXPECT_EQ(canvas.Pixel(22, 80), kFill);
    canvas.FillClip(kEmpty);  // the empty part stays open to later painting
    EXPECT_EQ(canvas.Pixel(22, 30), kEmpty);
    EXPECT_EQ(canvas.Pixel(22, 80), kFill);
}

TEST_F(BarTest, HorizontalBarFillsFromTheLeftWithACentredThumb) {
    MBar* bar = NewBar(true);
    bar->SetThumbSize(5);
    bar->SetValue(60);  // 30 pixels filled
    Canvas canvas;
    canvas.Paint(host);
    EXPECT_EQ(canvas.Pixel(20, 12), kFill);
    EXPECT_EQ(canvas.Pixel(47, 12), kFill);
    EXPECT_EQ(canvas.Pixel(48, 12), kThumb);  // 50 - 2 up to 52
    EXPECT_EQ(canvas.Pixel(52, 15), kThumb);
    EXPECT_EQ(canvas.Pixel(53, 12), kEmpty);
    EXPECT_EQ(canvas.Pixel(119, 15), kEmpty);
    EXPECT_EQ(canvas.Pixel(120, 15), kCanvasFill);
}

TEST_F(BarTest, EmptyRangeDrawsAnEmptyBarAndGivesItsOneValue) {
    MBar* bar = NewBar(false, 5, 5);
    bar->SetValue(5);
    Canvas canvas;
    canvas.Paint(host);
    EXPECT_EQ(canvas.Pixel(22, 50), kEmpty);
    EXPECT_EQ(canvas.Pixel(22, 109), kThumb);
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 22, 50), 44);
    EXPECT_EQ(bar->GetValue(), 5);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 22, -5), 44);
    EXPECT_EQ(bar->GetValue(), 5);
}
