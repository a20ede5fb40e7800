// Painting order, clip exclusion, visibility and mouse dispatch of the registry.
#include <gtest/gtest.h>

#include "controls/button.h"
#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/mwnd.h"
#include "tests/controls/fixture.h"

namespace {

constexpr COLORREF kRed = RGB(200, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 200);
constexpr COLORREF kGreen = RGB(0, 160, 0);

MWnd* Plain(ControlHost* host, int id, RECT rect, COLORREF background) {
    MWnd* control = Make<MWnd>();
    control->Create(id, "", rect, host);
    control->SetColors(RGB(0, 0, 0), background);
    return control;
}

// A button that counts what the registry offers it.
class ProbeButton : public MButton {
public:
    int offered = 0;
    int OnMouse(int event, int x, int y) override {
        ++offered;
        return MButton::OnMouse(event, x, y);
    }
    void MarkAsTakingNoInput() { className_ = "MWnd"; }
};

ProbeButton* Probe(TestHost* host, int id, RECT rect) {
    ProbeButton* button = Make<ProbeButton>();
    button->Create(id, "", rect, host);
    return button;
}

bool IsEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

}  // namespace

using RegistryTest = ControlTest;

TEST_F(RegistryTest, NewestControlIsSeenWhereControlsOverlapAndEveryControlIsExcluded) {
    Plain(host, 1, {10, 10, 40, 30}, kRed);
    MWnd* newer = Plain(host, 2, {30, 20, 60, 40}, kBlue);
    Plain(new DetachedHost, 3, {0, 0, 100, 100}, kGreen);

    Canvas canvas;
    canvas.Paint(host);
    EXPECT_EQ(canvas.Pixel(15, 15), kRed);
    EXPECT_EQ(canvas.Pixel(35, 25), kBlue);  // overlap
    EXPECT_EQ(canvas.Pixel(55, 35), kBlue);
    EXPECT_EQ(canvas.Pixel(60, 40), kCanvasFill);  // right and bottom edges are outside
    EXPECT_EQ(canvas.Pixel(5, 5), kCanvasFill);    // the other host's control is not painted here
    // Nothing painted later in the pass reaches a drawn control.
    canvas.FillClip(kGreen);
    EXPECT_EQ(canvas.Pixel(15, 15), kRed);
    EXPECT_EQ(canvas.Pixel(35, 25), kBlue);
    EXPECT_EQ(canvas.Pixel(5, 5), kGreen);

    // Hidden, a control paints and excludes nothing.
    newer->Hide();
    Canvas second;
    second.Paint(host);
    EXPECT_EQ(second.Pixel(35, 25), kRed);
    second.FillClip(kGreen);
    EXPECT_EQ(second.Pixel(55, 35), kGreen);
}

TEST_F(RegistryTest, ShowAndHideInvalidateOnlyTheirRectangleAndNothingWhileRedrawIsOff) {
    MWnd* control = Plain(host, 1, {20, 30, 50, 45}, kRed);
    host->Update();
    EXPECT_EQ(host->WindowPixel(25, 35), kRed);

    host->Validate();
    control->SetRedraw(false);
    control->Hide();
    EXPECT_TRUE(control->IsVisible());
    EXPECT_TRUE(IsEmpty(host->UpdateRect()));

    control->SetRedraw(true);
    control->Hide();
    EXPECT_FALSE(control->IsVisible());
    const RECT invalid = host->UpdateRect();
    EXPECT_EQ(invalid.left, 20);
    EXPECT_EQ(invalid.top, 30);
    EXPECT_EQ(invalid.right, 50);
    EXPECT_EQ(invalid.bottom, 45);
    host->Update();
    EXPECT_EQ(host->WindowPixel(25, 35), kHostBackground);

    // Colours of a hidden control are stored without painting.
    control->SetColors(RGB(0, 0, 0), kBlue);
    EXPECT_TRUE(IsEmpty(host->UpdateRect()));
    control->Show();
    host->Update();
    EXPECT_EQ(host->WindowPixel(25, 35), kBlue);
    control->SetBackground(kGreen);
    host->Update();
    EXPECT_EQ(host->WindowPixel(49, 44), kGreen);
}

TEST_F(RegistryTest, DispatchOffersNewestFirstAndStopsAtTheFirstTaker) {
    ProbeButton* older = Probe(host, 11, {10, 10, 40, 40});
    ProbeButton* newer = Probe(host, 12, {30, 30, 60, 60});

    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 35, 35), 12);
    EXPECT_EQ(newer->offered, 1);
    EXPECT_EQ(older->offered, 0);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 35, 35), 12);

    // Outside the newer one it declines and the older one takes the press.
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 15, 15), 11);
    EXPECT_EQ(newer->offered, 3);
    EXPECT_EQ(older->offered, 1);
    EXPECT_EQ(Dispatch(CE_LBUTTONUP, 15, 15), 11);
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 100, 100), 0);
}

TEST_F(RegistryTest, ControlsNamedMWndGetNoMouseEventAndSetNoCursor) {
    ProbeButton* button = Probe(host, 21, {10, 10, 40, 40});
    button->SetCursorResource("PUSHCUR");
    ASSERT_NE(button->GetCursor(), nullptr);
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 20, 20, host), 21);
    EXPECT_EQ(GetCursor(), button->GetCursor());

    button->MarkAsTakingNoInput();
    SetCursor(nullptr);
    EXPECT_EQ(Dispatch(CE_LBUTTONDOWN, 20, 20), 0);
    EXPECT_EQ(button->offered, 0);
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 20, 20, host), 0);
    EXPECT_EQ(GetCursor(), nullptr);
}

TEST_F(RegistryTest, CursorComesFromTheNewestVisibleControlThatHasOne) {
    ProbeButton* withCursor = Probe(host, 31, {10, 10, 50, 50});
    withCursor->SetCursorResource("PUSHCUR");
    Probe(host, 32, {20, 20, 30, 30});
    // The newer control has no cursor, so the older one under it gives its own.
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 25, 25, host), 31);
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 50, 25, host), 0);  // right edge
    withCursor->Hide();
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 15, 15, host), 0);
}

TEST_F(RegistryTest, HostContractTurnsWindowMessagesIntoEvents) {
    ProbeButton* button = Probe(host, 41, {10, 10, 40, 40});
    button->SetCursorResource("PUSHCUR");
    host->Mouse(WM_MOUSEMOVE, 20, 20);
    host->Mouse(WM_LBUTTONDBLCLK, 20, 20);
    host->Mouse(WM_LBUTTONUP, 20, 20);
    host->Mouse(WM_RBUTTONDOWN, 20, 20);
    ASSERT_EQ(host->events.size(), 4u);
    EXPECT_EQ(host->events[0].event, CE_MOUSEMOVE);
    EXPECT_EQ(host->events[0].id, 0);  // moves over buttons are not reported
    EXPECT_EQ(host->lastCursorId, 41);
    EXPECT_EQ(host->events[1].event, CE_LBUTTONDOWN);
    EXPECT_EQ(host->events[1].id, 41);
    EXPECT_EQ(host->events[2].event, CE_LBUTTONUP);
    EXPECT_EQ(host->events[2].id, 41);
    EXPECT_EQ(host->events[3].event, CE_RBUTTONDOWN);
    EXPECT_EQ(host->events[3].id, 41);
    // Coordinates left of and above the window arrive negative.
    host->Mouse(WM_MOUSEMOVE, -3, -7);
    EXPECT_EQ(host->events.back().x, -3);
    EXPECT_EQ(host->events.back().y, -7);
}
