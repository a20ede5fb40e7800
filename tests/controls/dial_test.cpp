// Dials: creation and parts, arrow steps with and without Ctrl, the bar, the
// display offset, and live and deferred typing with the events they send.
#include <gtest/gtest.h>

#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/dial.h"
#include "tests/controls/fixture.h"

namespace {
constexpr COLORREF kArrowInk = RGB(10, 10, 120);
constexpr COLORREF kArrowPaper = RGB(220, 220, 250);
constexpr COLORREF kFieldText = RGB(30, 90, 30);
constexpr COLORREF kFieldBack = RGB(200, 240, 200);
constexpr COLORREF kBarFill = RGB(150, 20, 20);
constexpr COLORREF kBarEmpty = RGB(20, 20, 150);
constexpr COLORREF kThumb = RGB(240, 240, 0);
constexpr int kId = 1000;
}  // namespace

class DialTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        // What a panel does with the ids of a dial's parts.
        host->onControl = [this](int event, int id) {
            if (dial && id > kId && id <= kId + 4 && (event == CE_LBUTTONUP || id == kId + 4)) dial->OnChildEvent(id);
        };
    }

    // At (10, 20): arrows at +0,+0 and +0,+9 (7 x 9), field at +7,+2 (40 x 15),
    // vertical bar at +50,+0 (6 x 30).
    MDial* NewDial(int min, int max, int multiplier, bool withBar = true, const std::string& arrows = "TARROW") {
        dial = Make<MDial>();
        dial->Create(kId, 10, 20, arrows, 0, 0, arrows.empty() ? "" : "TARROW", 0, 9, host, 7, 2, 40, 15, min, 0, max,
                     multiplier, 50, 0, withBar ? 6 : 0, withBar ? 30 : 0, 2, false);
        dial->SetColors7(kArrowInk, kArrowPaper, kFieldText, kFieldBack, kBarFill, kBarEmpty, kThumb);
        return dial;
    }

    std::string Text() { return dial->Field().GetText(); }
    void Click(int x, int y) {
        host->Mouse(WM_LBUTTONDOWN, x, y);
        host->Mouse(WM_LBUTTONUP, x, y);
    }
    // The events that came from the field itself, in order.
    std::vector<int> FieldEvents() {
        std::vector<int> codes;
        for (const TestHost::Event& e : host->events) {
            if (e.id == kId + 3) codes.push_back(e.event);
        }
        return codes;
    }
    void LeaveField() { SetFocus(host->HostWindow()); }

    MDial* dial = nullptr;
};

TEST_F(DialTest, CreationBuildsTheFourPartsAroundTheMiddleOfTheRange) {
    NewDial(-59, 67, 12);
    EXPECT_EQ(dial->UpButton().Id(), kId + 1);
    EXPECT_EQ(dial->DownButton().Id(), kId + 2);
    EXPECT_EQ(dial->Field().Id(), kId + 3);
    EXPECT_EQ(dial->Bar().Id(), kId + 4);
    EXPECT_EQ(dial->ClassName(), "MWnd");
    EXPECT_EQ(dial->Text(), "dial");
    const RECT rect = dial->Rect();
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.top, 20);
    EXPECT_EQ(rect.right, 66);  // the bar's right edge
    EXPECT_EQ(rect.bottom, 50);
    EXPECT_EQ(dial->Value(), 63);  // (67 - -59) / 2, not the centre of the range
    EXPECT_EQ(Text(), "63");
    EXPECT_EQ(dial->Bar().GetValue(), 63);
    EXPECT_TRUE(dial->IsTransparent());
    EXPECT_FALSE(dial->LiveTyping());
    EXPECT_TRUE(dial->IsVisible());
    EXPECT_TRUE(IsWindowVisible(dial->Field().Handle()));
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 12, 22, host), kId + 1);
    EXPECT_EQ(ControlRegistry::UpdateControlCursor(CE_MOUSEMOVE, 61, 22, host), kId + 4);
}

TEST_F(DialTest, ArrowsStepByOneOrByTheMultiplierWithCtrlWithinTheRange) {
    NewDial(0, 100, 10);
    Click(12, 22);
    EXPECT_EQ(dial->Value(), 51);
    EXPECT_EQ(Text(), "51");
    FakeKeys::ctrl = true;
    Click(12, 31);  // down arrow
    EXPECT_EQ(dial->Value(), 41);
    dial->SetValue(95);
    dial->OnChildEvent(kId + 1);
    EXPECT_EQ(dial->Value(), 100);
    EXPECT_EQ(dial->Bar().GetValue(), 100);

    NewDial(-59, 67, 12);
    dial->SetValue(-50);
    dial->OnChildEvent(kId + 2);
    EXPECT_EQ(Text(), "-59");
}

TEST_F(DialTest, StepWaitsUntilTheLeftButtonIsUp) {
    NewDial(0, 100, 10);
    FakeKeys::leftButtonDownPolls = 3;
    dial->StepBy(1);
    EXPECT_EQ(FakeKeys::leftButtonPolls, 4);
    EXPECT_EQ(dial->Value(), 51);
}

TEST_F(DialTest, PressAndDragOnTheBarMoveTheValueAndTheText) {
    NewDial(0, 100, 10);
    host->Mouse(WM_LBUTTONDOWN, 62, 35);  // 15 of 30 pixels up
    EXPECT_EQ(Text(), "50");
    host->Mouse(WM_MOUSEMOVE, 62, 0);
    EXPECT_EQ(Text(), "100");
    host->Mouse(WM_LBUTTONUP, 62, 200);
    EXPECT_EQ(Text(), "0");
    EXPECT_EQ(dial->Value(), 0);
}

TEST_F(DialTest, ColoursGoToTheirPartsAndAnOpaqueDialFillsAroundThem) {
    NewDial(0, 100, 10);
    dial->SetValue(50);
    {
        Canvas canvas;
        canvas.Paint(host);
        EXPECT_EQ(canvas.Pixel(10, 20), kArrowInk);  // TARROWUP is black
        EXPECT_EQ(canvas.Pixel(61, 22), kBarEmpty);
        EXPECT_EQ(canvas.Pixel(61, 48), kBarFill);
        EXPECT_EQ(canvas.Pixel(48, 45), kCanvasFill);  // transparent: nothing of its own
    }
    dial->DownButton().SetPressed(true);  // TARROWDN is white, in the same pair
    {
        Canvas canvas;
        canvas.Paint(host);
        EXPECT_EQ(canvas.Pixel(16, 37), kArrowPaper);
    }
    EXPECT_EQ(dial->Field().TextColour(), kFieldText);
    EXPECT_EQ(dial->Field().BackColour(), kFieldBack);
    dial->SetTransparent(false);
    Canvas canvas;
    canvas.Paint(host);
    EXPECT_EQ(canvas.Pixel(48, 45), kFieldBack);
    EXPECT_EQ(canvas.Pixel(10, 20), kArrowInk);
}

TEST_F(DialTest, HidingAndShowingTakeThePartsAlongButNeverArrowsItHasNot) {
    NewDial(0, 100, 10);
    dial->Hide();
    EXPECT_FALSE(dial->UpButton().IsVisible());
    EXPECT_FALSE(dial->Bar().IsVisible());
    EXPECT_FALSE(IsWindowVisible(dial->Field().Handle()));
    dial->Show();
    EXPECT_TRUE(dial->DownButton().IsVisible());
    EXPECT_TRUE(IsWindowVisible(dial->Field().Handle()));

    NewDial(0, 127, 18, true, "");
    EXPECT_FALSE(dial->HasArrows());
    EXPECT_EQ(dial->UpButton().Rect().right - dial->UpButton().Rect().left, 1);
    dial->HideArrows();
    dial->HideField();
    dial->Show();
    EXPECT_FALSE(dial->UpButton().IsVisible());
    EXPECT_TRUE(IsWindowVisible(dial->Field().Handle()));  // has a field, so Show shows it
    EXPECT_TRUE(dial->Bar().IsVisible());
}

TEST_F(DialTest, DisplayOffsetShowsFromOneAndReadsBackFromZero) {
    NewDial(0, 127, 10);
    dial->SetLiveTyping(true);
    dial->SetValue(0);
    dial->SetDisplayOffset(1);
    EXPECT_EQ(Text(), "0");  // not until the next SetValue
    dial->SetValue(0);
    EXPECT_EQ(Text(), "1");
    TypeInto(dial->Field().Handle(), "5");
    LeaveField();
    EXPECT_EQ(dial->GetValue(), 4);
    EXPECT_EQ(Text(), "5");
}

TEST_F(DialTest, LiveFieldTakesEveryKeystrokeAndReplacesOutOfRangeNumbersAtOnce) {
    NewDial(0, 100, 10);
    dial->SetLiveTyping(true);
    TypeInto(dial->Field().Handle(), "25");
    EXPECT_EQ(Text(), "25");  // in range: the text stays as typed
    EXPECT_EQ(dial->Value(), 25);
    EXPECT_EQ(dial->Bar().GetValue(), 25);
    EXPECT_EQ(FieldEvents(), (std::vector<int>{CE_FIELD_COMMIT, CE_FIELD_COMMIT}));

    host->events.clear();
    TypeInto(dial->Field().Handle(), "250");
    EXPECT_EQ(Text(), "100");
    EXPECT_EQ(dial->Value(), 100);
    // "2", "25" and then "250", which became "100" without counting as typing.
    EXPECT_EQ(FieldEvents(), (std::vector<int>{CE_FIELD_COMMIT, CE_FIELD_COMMIT, CE_FIELD_COMMIT}));
    host->events.clear();
    LeaveField();
    EXPECT_EQ(FieldEvents(), std::vector<int>{CE_NONE});
}

TEST_F(DialTest, FieldThatIsNotLiveCommitsOnceWhenTheFocusLeaves) {
    NewDial(0, 100, 10);
    dial->SetLiveTyping(false);
    TypeInto(dial->Field().Handle(), "250");
    EXPECT_EQ(Text(), "250");
    EXPECT_EQ(dial->Value(), 50);
    EXPECT_TRUE(FieldEvents().empty());
    LeaveField();
    EXPECT_EQ(Text(), "100");
    EXPECT_EQ(dial->Value(), 100);
    EXPECT_EQ(FieldEvents(), (std::vector<int>{CE_NONE, CE_FIELD_COMMIT}));

    host->events.clear();
    SetFocus(dial->Field().Handle());
    LeaveField();
    EXPECT_EQ(FieldEvents(), std::vector<int>{CE_NONE});
    TypeInto(dial->Field().Handle(), "-7");
    LeaveField();
    EXPECT_EQ(Text(), "0");
}

TEST_F(DialTest, TextSetByTheProgramIsNeverTyping) {
    NewDial(0, 100, 10);
    dial->SetLiveTyping(true);
    dial->SetValue(70);
    dial->Field().SetText("12");
    EXPECT_TRUE(FieldEvents().empty());
    EXPECT_EQ(dial->Value(), 70);
    EXPECT_EQ(dial->GetValue(), 12);  // read back unclamped, as typed
}

TEST_F(DialTest, PressesInsideTheFieldAreReportedWithTheFieldsId) {
    NewDial(0, 100, 10);
    HWND field = dial->Field().Handle();
    SendMessageA(field, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(3, 3));
    SendMessageA(field, WM_LBUTTONUP, 0, MAKELPARAM(3, 3));
    SendMessageA(field, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(3, 3));
    EXPECT_EQ(FieldEvents(), (std::vector<int>{CE_FIELD_CLICK, CE_FIELD_RCLICK}));
    EXPECT_EQ(GetFocus(), field);
}
