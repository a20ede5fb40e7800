// The real main window in this process under Wine: real messages at the
// pixel positions of the layout, then the Setup and the controls are checked.
// One window serves every test (controls live as long as the process).
#include "resources/resource.h"
#include "tests/app/window_fixture.h"

#include "files/preferences.h"
#include "files/question_box.h"
#include "resources/resource.h"

namespace {

using MainWindowTest = WindowFixture;

TEST_F(MainWindowTest, StartsAt707By166WithSixteenColumnsAndTheDefaults) {
    EXPECT_EQ(ClientSize().cx, 707);
    EXPECT_EQ(ClientSize().cy, 166);
    EXPECT_EQ(setup().stepsPerMeasure, 16);
    for (int k = 1; k <= 16; ++k) EXPECT_TRUE(panel().Column(k).IsVisible()) << k;
    EXPECT_EQ(setup().masterVolume, 80);
    EXPECT_EQ(panel().VolumeDial().GetValue(), 80);
    EXPECT_EQ(panel().PitchDial().GetValue(), 0);
    EXPECT_EQ(panel().Column(6).ReadValue(30), 5);
    EXPECT_TRUE(notes.empty()) << notes.front();
}

TEST_F(MainWindowTest, TheWidthDecidesTheColumnsAndTheStepsPerMeasure) {
    for (int n = 1; n <= 16; ++n) {
        panel().SetColumnCount(n);
        Pump();
        EXPECT_EQ(ClientSize().cx, 38 * n + 99) << n;
        EXPECT_EQ(ClientSize().cy, 166);
        EXPECT_EQ(setup().stepsPerMeasure, n);
        for (int k = 1; k <= 16; ++k) EXPECT_EQ(panel().Column(k).IsVisible(), k <= n) << n << "/" << k;
    }
    EXPECT_EQ(setup().modified, 1) << "every resize is an edit";
    // The size limits: 133 to 707 client pixels wide, 166 high.
    MINMAXINFO limits = {};
    SendMessageA(hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    RECT frame = {0, 0, 133, 166};
    AdjustWindowRectEx(&frame, GetWindowLongA(hwnd(), GWL_STYLE), FALSE, GetWindowLongA(hwnd(), GWL_EXSTYLE));
    EXPECT_EQ(limits.ptMinTrackSize.x, frame.right - frame.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, limits.ptMaxTrackSize.y);
}

TEST_F(MainWindowTest, FrameEdgesShowTheSizeCursorOnTheSidesOnly) {
    HCURSOR size = LoadCursorA(GetModuleHandleA(nullptr), "SIZECUR");
    HCURSOR plain = LoadCursorA(GetModuleHandleA(nullptr), "NOCUR");
    for (int hit : {HTLEFT, HTRIGHT, HTTOPLEFT, HTBOTTOMRIGHT}) {
        SetCursor(nullptr);
        EXPECT_TRUE(SendMessageA(hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), MAKELPARAM(hit, WM_MOUSEMOVE)));
        EXPECT_EQ(GetCursor(), size) << hit;
    }
    for (int hit : {HTTOP, HTBOTTOM}) {
        SetCursor(nullptr);
        EXPECT_TRUE(SendMessageA(hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), MAKELPARAM(hit, WM_MOUSEMOVE)));
        EXPECT_EQ(GetCursor(), plain) << hit;
    }
}

TEST_F(MainWindowTest, ClickingAStepsOnButtonTogglesItAndMarksTheSetup) {
    Click(ColumnX(3) + 12 + 8, 2 + 30 + 8);
    EXPECT_EQ(setup().StepAddress(0, 2).on, 0);
    EXPECT_EQ(setup().modified, 1);
    EXPECT_EQ(setup().undoMeasure, 0) << "the press took the undo snapshot";
    Click(ColumnX(3) + 12 + 8, 2 + 30 + 8);
    EXPECT_EQ(setup().StepAddress(0, 2).on, 1);
}

TEST_F(MainWindowTest, ArrowsStepPitchAndCtrlStepsAnOctave) {
    const int x = ColumnX(2) + 1 + 3, upY = 2 + 63 + 4;
    Click(x, upY);
    EXPECT_EQ(setup().StepAddress(0, 1).pitch, 1);
    keysDown[VK_CONTROL] = static_cast<SHORT>(0x8000);
    Click(x, upY);
    keysDown[VK_CONTROL] = 0;
    EXPECT_EQ(setup().StepAddress(0, 1).pitch, 13);
    Click(x, 2 + 72 + 4);  // down
    EXPECT_EQ(setup().StepAddress(0, 1).pitch, 12);
    EXPECT_EQ(panel().Column(2).ReadValue(20), 12);
}

TEST_F(MainWindowTest, TypedPitchAndSoundAreClampedLiveAndCommittedOnLeaving) {
    HWND pitchField = panel().Column(4).PitchDial().Field().Handle();
    TypeInto(pitchField, "-70");
    char text[32];
    GetWindowTextA(pitchField, text, sizeof text);
    EXPECT_STREQ(text, "-59") << "clamped at every keystroke";
    window->ResetFocus();  // the field loses the focus and commits
    Pump();
    EXPECT_EQ(setup().StepAddress(0, 3).pitch, -59);

    // The tempo is taken when its field is left, and only a tempo the arrows
    // could reach: anything else leaves the tempo, the field and the Setup
    // as they were.
    MTempoDial& tempo = panel().TempoDial();
    setup().modified = 0;
    for (const char* typed : {"abc", "\b", "0", "-5"}) {  // \b: the field emptied
        TypeInto(tempo.Field().Handle(), typed);
        window->ResetFocus();
        Pump();
        EXPECT_EQ(setup().tempo, 126.0) << typed;
        EXPECT_EQ(tempo.Field().GetText(), "126") << typed;
        EXPECT_EQ(setup().modified, 0) << typed;
    }
    window->Commands().OnCommand(IDM_SAMPLES_PER_MEASURE);
    setup().modified = 0;
    TypeInto(tempo.Field().Handle(), "0");  // zero samples per measure: an infinite tempo
    window->ResetFocus();
    Pump();
    EXPECT_EQ(setup().tempo, 126.0);
    EXPECT_EQ(tempo.Field().GetText(), "42000");
    EXPECT_EQ(setup().modified, 0);
    TypeInto(tempo.Field().Handle(), "44100");
    window->ResetFocus();
    Pump();
    EXPECT_EQ(setup().tempo, 120.0);
    window->Commands().OnCommand(IDM_BEATS_PER_MINUTE);
    window->Controller().SetTempo(126.0);
}

TEST_F(MainWindowTest, DraggingTheVolumeBarAndRightPressOnPanCentres) {
    const int barX = ColumnX(5) + 30 + 3;
    Mouse(WM_LBUTTONDOWN, barX, 2 + 19 + 60);
    Mouse(WM_MOUSEMOVE, barX, 2 + 19 + 2);  // the top of the bar is the loudest
    Mouse(WM_LBUTTONUP, barX, 2 + 19 + 2);
    Pump();
    EXPECT_GE(setup().StepAddress(0, 4).volume, 124);
    Mouse(WM_LBUTTONDOWN, barX, 2 + 19 + 60);
    Mouse(WM_MOUSEMOVE, barX, 2 + 19 + 115 + 40);  // dragged beyond the end: the minimum
    Mouse(WM_LBUTTONUP, barX, 2 + 19 + 115 + 40);
    Pump();
    EXPECT_EQ(setup().StepAddress(0, 4).volume, 0);
    EXPECT_EQ(panel().Column(5).ReadValue(40), 0);

    // The press takes the mouse at once, so a drag that leaves the window
    // before any move still gets its moves and release: past the top, the
    // loudest.
    Mouse(WM_LBUTTONDOWN, barX, 2 + 19 + 60);
    EXPECT_EQ(GetCapture(), hwnd());
    Mouse(WM_MOUSEMOVE, barX, -300);
    Mouse(WM_LBUTTONUP, barX, -300);
    Pump();
    EXPECT_EQ(setup().StepAddress(0, 4).volume, 127);
    EXPECT_NE(GetCapture(), hwnd());
    // A drag ends when the window loses the mouse: later moves and the next
    // click elsewhere (on a control the bar is offered events before) are
    // not taken for it.
    Mouse(WM_LBUTTONDOWN, barX, 2 + 19 + 60);
    const int dragged = setup().StepAddress(0, 4).volume;
    ReleaseCapture();
    Mouse(WM_MOUSEMOVE, barX, 2 + 19 + 110);
    EXPECT_EQ(setup().StepAddress(0, 4).volume, dragged);
    const int on = setup().StepAddress(0, 6).on;
    Click(ColumnX(7) + 12 + 8, 2 + 30 + 8);
    EXPECT_EQ(setup().StepAddress(0, 6).on, on ? 0 : 1) << "the click reached its button";
    EXPECT_EQ(setup().StepAddress(0, 4).volume, dragged);

    setup().StepAddress(0, 4).pan = 10;
    window->Controller().RefreshColumns(0);
    SendMessageA(hwnd(), WM_RBUTTONDOWN, 0, MAKELPARAM(ColumnX(5) + 2 + 10, 2 + 130 + 3));
    Pump();
    EXPECT_EQ(setup().StepAddress(0, 4).pan, 64);
    window->Controller().UndoLastEdit();
    EXPECT_EQ(setup().StepAddress(0, 4).pan, 10);
}

TEST_F(MainWindowTest, MeasureButtonsSelectAndTheChainPopupEditsTheChain) {
    // Measure 3's button: x 79, y 144 - 2 x 20.
    Click(84, 104 + 9);
    EXPECT_EQ(setup().editMeasure, 2);
    EXPECT_EQ(panel().Strip().GetSelected(), 2);
    EXPECT_EQ(setup().modified, 1);

    setup().measures[2].nextMeasure = 3;
    setup().modified = 0;
    SendMessageA(hwnd(), WM_RBUTTONDOWN, 0, MAKELPARAM(84, 104 + 9));
    Pump();
    ChainPopup& popup = panel().Popup();
    ASSERT_TRUE(popup.IsShown());
    RECT placed;
    GetWindowRect(popup.Handle(), &placed);
    POINT corner = {89, 104};
    ClientToScreen(hwnd(), &corner);
    EXPECT_EQ(placed.left, corner.x);
    EXPECT_EQ(placed.top, corner.y - 1);
    EXPECT_EQ(popup.NextDial().GetValue(), 4) << "measures show as 1 to 8";

    Click(96 + 3, 1 + 4, popup.Handle());  // repeat up
    EXPECT_EQ(setup().measures[2].repeatCount, 2);
    EXPECT_EQ(setup().modified, 1);
    setup().modified = 0;
    Click(96 + 3, 10 + 4, popup.Handle());  // and down again
    Click(96 + 3, 10 + 4, popup.Handle());  // at 1: stays
    EXPECT_EQ(setup().measures[2].repeatCount, 1);
    Click(22 + 3, 10 + 4, popup.Handle());  // next down: measure 3
    EXPECT_EQ(setup().measures[2].nextMeasure, 2);
    TypeInto(popup.NextDial().Field().Handle(), "9");
    window->ResetFocus();
    Pump();
    EXPECT_EQ(setup().measures[2].nextMeasure, 7) << "typed 9 is clamped to 8";

    // A press in the main window hides it.
    Key('Q');
    EXPECT_FALSE(popup.IsShown());
}

TEST_F(MainWindowTest, SpaceStartsAndStopsAndDigitsJumpOnlyWhilePlaying) {
    Key('5');
    EXPECT_EQ(setup().playMeasure, 0) << "not playing: the digit does nothing";
    Key(VK_SPACE);
    EXPECT_TRUE(window->GetSequencer().IsRunning());
    EXPECT_TRUE(panel().PlayButton().IsOn());
    // Holding the key repeats it (bit 30 of lParam: it was down already);
    // repeats neither stop nor start.
    for (int repeat = 0; repeat < 3; ++repeat) {
        MSG held = {hwnd(), WM_KEYDOWN, VK_SPACE, static_cast<LPARAM>((1 << 30) | 1), 0, {0, 0}};
        EXPECT_TRUE(window->PreTranslateMessage(&held));
        Pump();
        EXPECT_TRUE(window->GetSequencer().IsRunning()) << repeat;
        EXPECT_TRUE(panel().PlayButton().IsOn()) << repeat;
    }
    window->ResetFocus();
    Key('5');
    EXPECT_EQ(panel().Strip().GetPlaying(), 4);
    // The timer thread takes the jump over at its next tick.
    for (int i = 0; i < 5000 && setup().playMeasure != 4; ++i) Sleep(1);
    EXPECT_EQ(setup().playMeasure, 4);
    // With a text field focused the digit stays text.
    SetFocus(panel().Column(1).PitchDial().Field().Handle());
    Key('2');
    EXPECT_NE(setup().playMeasure, 1);
    Key(VK_SPACE);
    EXPECT_FALSE(window->GetSequencer().IsRunning());
    EXPECT_FALSE(panel().PlayButton().IsOn());
}

TEST_F(MainWindowTest, TheLampIsPaintedAtOnceAndARepaintErasesBetweenTheControls) {
    auto pixel = [](int x, int y) {
        HDC dc = GetDC(hwnd());
        const COLORREF colour = GetPixel(dc, x, y);
        ReleaseDC(hwnd(), dc);
        return colour;
    };
    // Pixels can be read only where the window is on the screen.
    SetWindowPos(hwnd(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    Pump();
    const ColorScheme& scheme = panel().Scheme();
    const int lampX = ColumnX(3) + 13, lampY = 5;  // inside column 3's lamp, clear of its number
    // No message is handled in between: nothing but the lamp's own change paints.
    panel().Column(3).SetLamp(true);
    EXPECT_EQ(pixel(lampX, lampY), scheme.background);
    panel().Column(3).SetLamp(false);
    EXPECT_EQ(pixel(lampX, lampY), scheme.highlight2);

    RedrawWindow(hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    EXPECT_EQ(pixel(84, 142), scheme.btnFace) << "the window's own background between measure buttons 1 and 2";
    EXPECT_EQ(pixel(lampX, lampY), scheme.highlight2);
}

TEST_F(MainWindowTest, ZoomEnlargesTheWindowByWholePixelsAndEveryControlWorksAsAt1x) {
    SetWindowPos(hwnd(), nullptr, 20, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // on the screen, for its pixels
    panel().SetColumnCount(10);
    setup().modified = 0;
    window->Commands().OnCommand(IDM_ZOOM_2X);
    Pump();
    EXPECT_EQ(ClientSize().cx, 2 * (38 * 10 + 99));
    EXPECT_EQ(ClientSize().cy, 2 * 166);
    EXPECT_EQ(setup().stepsPerMeasure, 10);
    EXPECT_EQ(setup().modified, 0) << "a change of zoom is no edit";
    EXPECT_EQ(RegReadString(kPreferencesKey, kZoomValue), "2");
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_OPTIONS_MENU));
    window->Commands().PrepareMenu(IDR_OPTIONS_MENU, GetSubMenu(menu, 0));
    EXPECT_TRUE(GetMenuState(menu, IDM_ZOOM_2X, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, IDM_ZOOM_AUTO, MF_BYCOMMAND) & MF_CHECKED);
    DestroyMenu(menu);

    // A field covers its rectangle twice as large, in a font twice as high.
    HWND field = panel().Column(3).PitchDial().Field().Handle();
    RECT placed, layout = panel().Column(3).PitchDial().Field().GetRect();
    GetWindowRect(field, &placed);
    MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 2 * layout.left);
    EXPECT_EQ(placed.bottom, 2 * layout.bottom);
    LOGFONTA font = {};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(field, WM_GETFONT, 0, 0)), sizeof font, &font);
    EXPECT_EQ(font.lfHeight, -18);

    // The lamp, painted at once, covers two by two window pixels for each of its own.
    const int lampX = ColumnX(3) + 13, lampY = 5;
    panel().Column(3).SetLamp(true);
    HDC dc = GetDC(hwnd());
    for (int d : {0, 1}) EXPECT_EQ(GetPixel(dc, 2 * lampX + d, 2 * lampY + d), panel().Scheme().background) << d;
    ReleaseDC(hwnd(), dc);
    panel().Column(3).SetLamp(false);

    // Clicks anywhere on the enlarged pixels of a control work it.
    const int on = setup().measures[0].steps[2].on;
    Click(2 * (ColumnX(3) + 20) + 1, 2 * (2 + 38) + 1);
    EXPECT_NE(setup().measures[0].steps[2].on, on);
    SendMessageA(hwnd(), WM_RBUTTONDOWN, 0, MAKELPARAM(2 * 84, 2 * 113));
    Pump();
    ChainPopup& popup = panel().Popup();
    ASSERT_TRUE(popup.IsShown());
    RECT shown;
    GetClientRect(popup.Handle(), &shown);
    EXPECT_EQ(shown.right, 2 * 127);
    EXPECT_EQ(shown.bottom, 2 * 22);
    const int repeat = setup().measures[2].repeatCount;
    Click(2 * (96 + 3), 2 * (1 + 4), popup.Handle());
    EXPECT_EQ(setup().measures[2].repeatCount, repeat + 1);
    Key('Q');

    // The limits, and the cursors with every pixel repeated.
    MINMAXINFO limits = {};
    SendMessageA(hwnd(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
    RECT frame = {0, 0, 2 * 133, 2 * 166};
    AdjustWindowRectEx(&frame, GetWindowLongA(hwnd(), GWL_STYLE), FALSE, GetWindowLongA(hwnd(), GWL_EXSTYLE));
    EXPECT_EQ(limits.ptMinTrackSize.x, frame.right - frame.left);
    EXPECT_EQ(limits.ptMinTrackSize.y, frame.bottom - frame.top);
    SendMessageA(hwnd(), WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd()), MAKELPARAM(HTLEFT, WM_MOUSEMOVE));
    ICONINFO cursor = {};
    ASSERT_TRUE(GetIconInfo(GetCursor(), &cursor));
    BITMAP mask = {};
    GetObjectA(cursor.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 64) << "SIZECUR, 32 x 32";
    EXPECT_EQ(std::make_pair(cursor.xHotspot, cursor.yHotspot), std::make_pair(DWORD{32}, DWORD{30}));
    for (HBITMAP b : {cursor.hbmMask, cursor.hbmColor}) if (b) DeleteObject(b);

    // Automatic follows the screen the window is moved to, keeping the steps.
    window->ChooseZoom(0);
    EXPECT_EQ(ClientSize().cx, 38 * 10 + 99) << "this screen is 96 DPI";
    RECT suggested = {50, 60, 900, 500};
    SendMessageA(hwnd(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(ClientSize().cx, 2 * (38 * 10 + 99));
    EXPECT_EQ(setup().stepsPerMeasure, 10);
    GetWindowRect(hwnd(), &placed);
    EXPECT_EQ(std::make_pair(placed.left, placed.top), std::make_pair(50L, 60L));
    SendMessageA(hwnd(), WM_DPICHANGED, MAKEWPARAM(96, 96), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_EQ(ClientSize().cx, 38 * 10 + 99);
    EXPECT_EQ(setup().stepsPerMeasure, 10);
    EXPECT_EQ(RegReadString(kPreferencesKey, kZoomValue), "auto");
}

// What the windows of this thread are sent, in order.
struct Sent {
    HWND window;
    UINT message;
    WPARAM wParam;
    UINT positionFlags;
    bool wasVisible;
};
std::vector<Sent> sent;
LRESULT CALLBACK RecordSent(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION) {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
        const UINT flags = m->message == WM_WINDOWPOSCHANGING ? reinterpret_cast<const WINDOWPOS*>(m->lParam)->flags : 0;
        sent.push_back({m->hwnd, m->message, m->wParam, flags, IsWindowVisible(m->hwnd) != FALSE});
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Whether `window` was destroyed, and hidden while it still showed before that.
std::pair<bool, bool> DestroyedAndHiddenFirst(HWND window) {
    bool destroyed = false, hidden = false;
    for (const Sent& s : sent) {
        if (s.window != window || destroyed) continue;
        if (s.message == WM_DESTROY) destroyed = true;
        if (s.wasVisible && ((s.message == WM_WINDOWPOSCHANGING && (s.positionFlags & SWP_HIDEWINDOW)) ||
                             (s.message == WM_SHOWWINDOW && !s.wParam)))
            hidden = true;
    }
    return {destroyed, hidden};
}

Dialog* endingDialog = nullptr;
HWND questionOwner = nullptr;
HWND answeredBox = nullptr;
void CALLBACK EndFromItsLoop(HWND, UINT, UINT_PTR, DWORD) {
    if (endingDialog && endingDialog->Handle()) endingDialog->EndDialog(IDCANCEL);
}
void CALLBACK AnswerDontSave(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = GetActiveWindow();
    if (box && box != questionOwner && !answeredBox) {
        answeredBox = box;
        SendMessageA(box, WM_COMMAND, MAKEWPARAM(201, BN_CLICKED), 0);
    }
}

TEST_F(MainWindowTest, EndedDialogsLeaveTheScreenWithoutBeingHiddenFirst) {
    // Hiding a window first waits for the window manager to confirm; under
    // Wine without one, the window stays two seconds, frozen, before it goes.
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, RecordSent, nullptr, GetCurrentThreadId());
    sent.clear();
    Dialog modal(IDD_ABOUT_BOX, hwnd());
    endingDialog = &modal;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, EndFromItsLoop);
    modal.DoModal();
    KillTimer(nullptr, timer);
    endingDialog = nullptr;
    HWND ended = nullptr;
    for (const Sent& s : sent)
        if (s.message == WM_INITDIALOG) ended = s.window;
    ASSERT_NE(ended, nullptr);
    EXPECT_EQ(DestroyedAndHiddenFirst(ended), std::make_pair(true, false)) << "a dialog run by the program";

    // The save question, answered Don't Save.
    timer = SetTimer(nullptr, 0, 50, AnswerDontSave);
    answeredBox = nullptr;
    questionOwner = hwnd();
    EXPECT_EQ(AskQuestion(hwnd(), "SAVECHANGESDLG", "Save changes?"), 2);
    KillTimer(nullptr, timer);
    UnhookWindowsHookEx(hook);
    ASSERT_NE(answeredBox, nullptr);
    EXPECT_EQ(DestroyedAndHiddenFirst(answeredBox), std::make_pair(true, false)) << "the save question";
}

}  // namespace
