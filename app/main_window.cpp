#include "app/main_window.h"

#include <cstdlib>

#include "app/about_box.h"
#include "ui/window_dpi.h"
#include "ui/window_helpers.h"
#include "controls/control_events.h"
#include "controls/control_registry.h"
#include "controls/edit.h"
#include "controls/resource_module.h"
#include "controls/zoom.h"
#include "editing/random_below.h"
#include "files/preferences.h"
#include "ui/notice.h"
#include "panels/main_panel.h"
#include "playback/playback_clock.h"
#include "resources/resource.h"

namespace {
constexpr int kClientWidthMax = 707;
constexpr int kClientWidthMin = 133;
constexpr int kClientHeight = 166;
constexpr UINT kAboutCommand = 0x0010;
constexpr int kAcceleratorTable = 20000;

// The window size for a client area of width x height layout pixels.
SIZE WindowSizeForClient(HWND window, int width, int height) {
    const RECT rect = WindowRectForClient(window, RECT{0, 0, Zoom::ToWindow(width), Zoom::ToWindow(height)});
    return {rect.right - rect.left, rect.bottom - rect.top};
}

bool IsPressMessage(UINT message) {
    switch (message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN: case WM_NCRBUTTONDOWN: case WM_NCMBUTTONDOWN:
        return true;
    default:
        return false;
    }
}
}  // namespace

MainWindow::MainWindow() : Dialog(IDD_MAIN_WINDOW, nullptr) {
    icon_ = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MAIN));
}

MainWindow::~MainWindow() {
    // The timer thread must be gone before the sound engine it triggers.
    if (sequencer_.IsRunning()) sequencer_.StopPlayback();
    // The window goes while everything its procedures reach is still here
    // (the base class would destroy it only after the members); the members
    // then release DirectSound, whose threads end with it, so none of them
    // is still running when the process exits.
    if (Handle()) DestroyWindow(Handle());
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
}

BOOL MainWindow::OnInitDialog() {
    Dialog::OnInitDialog();
    initialised_ = false;
    transportHost_.SetWindow(Handle());

    AppendAboutItem();
    SendMessageA(Handle(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    // No CS_DBLCLKS: a double click arrives as two presses, as the controls expect.
    SetClassLongA(Handle(), GCL_STYLE, CS_BYTEALIGNCLIENT);
    // The zoom comes first: every control and field is placed by it.
    KeepDialogLayoutOnDpiChange(Handle());
    zoomChoice_ = LoadZoomPreference();
    dpi_ = WindowDpi(Handle());
    Zoom::SetFactor(ZoomFor(zoomChoice_, dpi_));
    ResizeToClient(Handle(), RECT{0, 0, Zoom::ToWindow(kClientWidthMax), Zoom::ToWindow(kClientHeight)});
    CenterWindow(Handle());
    PlaceFocusHolder();
    accelerators_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kAcceleratorTable));

    panel_ = new MainPanel(*this, setup_);

    std::srand(GetTickCount());
    const int blue = RandomBelow(256), green = RandomBelow(256), red = RandomBelow(256);
    panel_->ApplyColorScheme(static_cast<Colorref>(blue * 65536 + green * 256 + red));
    backgroundColor_ = panel_->Scheme().btnFace;
    textColor_ = panel_->Scheme().highlight2;
    ReplaceBackgroundBrush(backgroundColor_);

    defaultCursor_ = ResourceCursor("NOCUR");
    sizeCursor_ = ResourceCursor("SIZECUR");
    ResetFocus();

    controller_.AttachEditor(*panel_, setup_, this, sequencer_, sound_);
    sequencer_.Prepare(setup_, *panel_, transportHost_, sound_, std::make_unique<PlaybackClock>());
    soundEngine_.Init(setup_, Handle());
    // Through the sequencer: its clock is the one due times are read on.
    streamingEngine_.Init(setup_, [this] { return sequencer_.Clock()->NowMsExact(); }, Handle());
    // Chosen before any sound list loads, so the list loads once, into the output that plays it.
    // Without any sound device the notice that DirectX failed has said it all.
    if (LoadSampleAccuratePreference()) UseSampleAccurate(true, !soundEngine_.HasDevice());
    panel_->Menus().BindSetup(setup_);
    commands_.Bind();
    panel_->SetSoundMenuOpener([](void* context, int column) {
        static_cast<MainWindow*>(context)->commands_.ShowSoundMenu(column);
    }, this);
    library_.SetOwner(Handle());
    library_.SetCaptionUpdater([this] { UpdateCaption(); });
    // The sound controls take every index of the new list.
    library_.SetListLoadedHandler([this] { controller_.RefreshSoundRanges(setup_.editMeasure); });

    setup_.modified = 0;
    panel_->LayoutColumns();
    RegisterFileAssociation();
    OpenCommandLine(GetCommandLineW());
    setup_.highResTimer = LoadHighResTimerPreference() ? 1 : 0;
    sequencer_.SetClockSource(setup_.highResTimer != 0);

    initialised_ = true;
    return FALSE;  // the focus is placed already
}

bool MainWindow::UseSampleAccurate(bool on, bool quietly) {
    if (on == SampleAccurate()) return true;
    if (on && !streamingEngine_.Start()) {
        const std::string why = "Sample-accurate timing needs a sound output that plays one continuous stream, "
                                "and none could be opened:\n" +
                                streamingEngine_.Error() + "\nStepforge plays through DirectSound's buffers instead.";
        if (!quietly) ShowNote(why.c_str());
        return false;
    }
    sound_.Use(on ? kStreamingOutput : 0);
    if (!on) streamingEngine_.Stop();
    return true;
}

void MainWindow::PlaceFocusHolder() {
    // The focus holder only holds the keyboard focus: below the visible client
    // area, like the read-out field, it covers none of the controls drawn there.
    SetWindowPos(FocusHolder(), nullptr, 2, Zoom::ToWindow(kClientHeight) + 8, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MainWindow::AppendAboutItem() {
    HMENU systemMenu = GetSystemMenu(Handle(), FALSE);
    char text[128] = {};
    if (!systemMenu || LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, text, sizeof text) <= 0) return;
    AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(systemMenu, MF_STRING, kAboutCommand, text);
}

void MainWindow::ReplaceBackgroundBrush(COLORREF colour) {
    if (backgroundBrush_) DeleteObject(backgroundBrush_);
    backgroundBrush_ = CreateSolidBrush(colour);
}

void MainWindow::ResetFocus() {
    if (panel_ && panel_->Built()) {
        const int last = setup_.stepsPerMeasure;
        if (last >= 1 && last <= MainPanel::kColumnCount) {
            if (HWND field = panel_->Column(last).PitchDial().Field().Handle()) {
                SendMessageA(field, EM_SETSEL, static_cast<WPARAM>(-1), 0);
                SendMessageA(field, EM_SCROLLCARET, 0, 0);
            }
        }
    }
    SetFocus(FocusHolder());
}

bool MainWindow::HandleMeasureKey(int index) {
    // Digits typed into a text field stay text.
    if (!sequencer_.IsRunning() || GetFocus() != FocusHolder()) return false;
    sequencer_.OnMeasureKey(index);
    return true;
}

bool MainWindow::PreTranslateMessage(MSG* msg) {
    if (panel_ && panel_->Popup().Handle() && IsPressMessage(msg->message)) panel_->Popup().HidePopup();
    if (msg->message == WM_KEYDOWN && panel_) {
        if (msg->wParam == VK_SPACE) {
            // A held key repeats (bit 30: it was down already): only the
            // press itself starts or stops, here and in the other copies.
            if (msg->lParam & (LPARAM{1} << 30)) return true;
            MToggleButton& play = panel_->PlayButton();
            play.SetOn(!play.IsOn());
            sequencer_.TogglePlayback();
            return true;
        }
        if (msg->wParam >= '1' && msg->wParam <= '8' && HandleMeasureKey(static_cast<int>(msg->wParam - '1')))
            return true;
    }
    if (accelerators_ && panel_ && TranslateAcceleratorA(panel_->Menus().Handle(), accelerators_, msg)) return true;
    return Dialog::PreTranslateMessage(msg);
}

LRESULT MainWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The transport's messages come first; it never swallows one.
    if (panel_) {
        collectingRepaints_ = true;
        sequencer_.HandleTransportMessage(message, static_cast<intptr_t>(wParam), static_cast<intptr_t>(lParam));
        collectingRepaints_ = false;
        const RECT pending = pendingRepaint_;
        pendingRepaint_ = RECT{0, 0, 0, 0};
        PaintAtOnce(pending);
    }
    LRESULT result = 0;
    if (ReflectFieldMessage(message, wParam, lParam, &result)) return result;

    // Mouse positions in layout pixels: every control hit-tests as at 1x.
    const int x = Zoom::ToLayout(static_cast<short>(LOWORD(lParam)));
    const int y = Zoom::ToLayout(static_cast<short>(HIWORD(lParam)));
    switch (message) {
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == kAboutCommand) {
            ShowAbout();
            return 0;
        }
        break;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_ERASEBKGND:
        // Within WM_PAINT the erase goes into the paint buffer; one outside it
        // also paints the window, and the buffer follows at the next paint.
        erasePending_ = true;
        if (painting_) return TRUE;
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(icon_);
    case WM_CTLCOLORDLG:
        SetBkColor(reinterpret_cast<HDC>(wParam), backgroundColor_);
        SetTextColor(reinterpret_cast<HDC>(wParam), textColor_);
        return reinterpret_cast<LRESULT>(backgroundBrush_);
    case WM_SIZING:
        return TRUE;  // the size limits decide
    case WM_GETMINMAXINFO:
        Default(message, wParam, lParam);
        OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lParam));
        return 0;
    case WM_LBUTTONDOWN:
        ResetFocus();
        OnControlEvent(CE_LBUTTONDOWN, x, y, 0);
        break;
    case WM_LBUTTONDBLCLK:
        OnControlEvent(CE_LBUTTONDOWN, x, y, 0);
        break;
    case WM_LBUTTONUP:
        OnControlEvent(CE_LBUTTONUP, x, y, 0);
        break;
    case WM_MOUSEMOVE:
        OnControlEvent(CE_MOUSEMOVE, x, y, 0);
        break;
    case WM_RBUTTONDOWN:
        OnControlEvent(CE_RBUTTONDOWN, x, y, 0);
        return 0;
    case WM_SETCURSOR:
        return OnSetCursor(wParam, lParam);
    case WM_CLOSE:
        OnClose();
        return 0;
    case WM_DPICHANGED:
        OnDpiChanged(LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
        return 0;
    case WM_SIZE: {
        const LRESULT sized = Default(message, wParam, lParam);
        if (initialised_) panel_->LayoutColumns();
        // The width decides the steps per measure, so any resize is an edit.
        setup_.modified = 1;
        return sized;
    }
    default:
        break;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void MainWindow::OnPaint() {
    HRGN update = CreateRectRgn(0, 0, 0, 0);
    GetUpdateRgn(Handle(), update, FALSE);
    PAINTSTRUCT paint;
    painting_ = true;
    HDC dc = BeginPaint(Handle(), &paint);
    painting_ = false;
    if (IsIconic(Handle())) {
        if (erasePending_) Default(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        erasePending_ = false;
        SendMessageA(Handle(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
        RECT client;
        GetClientRect(Handle(), &client);
        const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2 + 10;
        const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
        DrawIcon(dc, x, y, icon_);
    } else {
        RECT client;
        GetClientRect(Handle(), &client);
        const int zoom = Zoom::Factor();
        HDC target = paintBuffer_.Begin(update, client.right, client.bottom, zoom);
        if (!target) {
            // Without a buffer the controls are drawn through a mapping that enlarges them.
            target = dc;
            SetMapMode(dc, MM_ANISOTROPIC);
            SetViewportExtEx(dc, zoom, zoom, nullptr);
            SetStretchBltMode(dc, COLORONCOLOR);
        }
        // The dialog's own erase (its background brush), into the buffer.
        if (erasePending_) Default(WM_ERASEBKGND, reinterpret_cast<WPARAM>(target), 0);
        erasePending_ = false;
        ControlRegistry::PaintControls(target, this);
        if (target != dc) paintBuffer_.End(dc, update);
    }
    EndPaint(Handle(), &paint);
    DeleteObject(update);
}

void MainWindow::RepaintRect(const RECT& rect) {
    // The lamps move two at a time: what the transport changes in one message
    // is painted together when it is done with it.
    if (collectingRepaints_) {
        UnionRect(&pendingRepaint_, &pendingRepaint_, &rect);
        return;
    }
    PaintAtOnce(rect);
}

void MainWindow::PaintAtOnce(const RECT& rect) {
    if (IsRectEmpty(&rect)) return;
    RECT client;
    GetClientRect(Handle(), &client);
    const RECT shown = Zoom::ToWindow(rect);
    HRGN region = CreateRectRgnIndirect(&shown);
    HDC target = painting_ || !IsWindowVisible(Handle()) || IsIconic(Handle())
                     ? nullptr
                     : paintBuffer_.Begin(region, client.right, client.bottom, Zoom::Factor());
    if (!target) {
        DeleteObject(region);
        ControlHost::RepaintRect(rect);
        return;
    }
    ControlRegistry::PaintControls(target, this);
    // Nothing is invalidated, so the text fields will not paint over what is
    // copied here: it must not reach them.
    HDC dc = GetDCEx(Handle(), nullptr, DCX_CACHE | DCX_CLIPCHILDREN);
    paintBuffer_.End(dc, region);
    ReleaseDC(Handle(), dc);
    DeleteObject(region);
}

void MainWindow::OnGetMinMaxInfo(MINMAXINFO* info) {
    const SIZE largest = WindowSizeForClient(Handle(), kClientWidthMax, kClientHeight);
    const SIZE smallest = WindowSizeForClient(Handle(), kClientWidthMin, kClientHeight);
    info->ptMaxTrackSize = {largest.cx, largest.cy};
    info->ptMinTrackSize = {smallest.cx, smallest.cy};
}

LRESULT MainWindow::OnSetCursor(WPARAM wParam, LPARAM lParam) {
    const int hit = static_cast<short>(LOWORD(lParam));
    if (hit == HTCLIENT) return TRUE;  // the control-event path sets it
    if (defaultCursor_) {
        switch (hit) {
        case HTLEFT: case HTRIGHT: case HTTOPLEFT: case HTTOPRIGHT: case HTBOTTOMLEFT: case HTBOTTOMRIGHT:
            SetCursor(ZoomedCursor(sizeCursor_));
            return TRUE;
        case HTTOP: case HTBOTTOM:
            SetCursor(ZoomedCursor(defaultCursor_));
            return TRUE;
        default:
            break;
        }
    }
    return Default(WM_SETCURSOR, wParam, lParam);
}

void MainWindow::OnControlEvent(int event, int x, int y, int id) {
    if (event == CE_FIELD_RCLICK) controller_.AlternateAction(id);
    if (event == CE_RBUTTONDOWN) {
        if (const int taken = ControlRegistry::DispatchMouseEvent(event, x, y, this)) controller_.AlternateAction(taken);
        return;
    }
    if (!ControlRegistry::UpdateControlCursor(event, x, y, this)) SetCursor(ZoomedCursor(defaultCursor_));
    if (event == CE_FIELD_CLICK || event == CE_NONE || event == CE_FIELD_RCLICK) return;
    if (id == 0) id = ControlRegistry::DispatchMouseEvent(event, x, y, this);
    if (id == 0) return;
    if (event == CE_LBUTTONDOWN || event == CE_FIELD_COMMIT) {
        controller_.BeginEdit(id);
        if (event == CE_FIELD_COMMIT) controller_.ApplyControl(id);
        return;
    }
    if (event == CE_LBUTTONUP || event == CE_MOUSEMOVE) controller_.ApplyControl(id);
}

void MainWindow::ChangeColor() {
    const Colorref chosen = panel_->Scheme().ChooseBaseColor(Handle());
    if (chosen == backgroundColor_) return;
    panel_->ApplyColorScheme(chosen);
    backgroundColor_ = panel_->Column(1).Background();
    textColor_ = panel_->Column(1).Foreground();
    ReplaceBackgroundBrush(backgroundColor_);
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE);
    panel_->LayoutColumns();
    setup_.modified = 1;
}

void MainWindow::OnOK() { ChangeColor(); }

void MainWindow::OnCancel() {
    // Escape takes the same road as the close box, so unsaved work is never
    // dropped without the question that road asks.
    SendMessageA(Handle(), WM_CLOSE, 0, 0);
}

void MainWindow::OnClose() {
    if (!PromptSaveChanges()) return;
    if (sequencer_.IsRunning()) sequencer_.StopPlayback();
    EndDialog(IDCANCEL);
}

void MainWindow::ChooseZoom(int choice) {
    zoomChoice_ = choice;
    SaveZoomPreference(choice);
    const int factor = ZoomFor(choice, dpi_);
    if (factor != Zoom::Factor()) ApplyZoom(factor);
}

void MainWindow::OnDpiChanged(int dpi, const RECT& suggested) {
    dpi_ = dpi;
    // The place the system suggests; the size is the layout's at the zoom,
    // with the frame of the new screen even where the zoom stays.
    SetWindowPos(Handle(), nullptr, suggested.left, suggested.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ApplyZoom(ZoomFor(zoomChoice_, dpi));
}

void MainWindow::ApplyZoom(int factor) {
    const int columns = setup_.stepsPerMeasure;
    const uint8_t modified = setup_.modified;
    panel_->Popup().HidePopup();
    Zoom::SetFactor(factor);
    panel_->ApplyZoom();
    PlaceFocusHolder();
    // The same steps at the new size, the window's top-left corner where it was.
    const SIZE client = MainPanel::ClientSizeFor(columns);
    const RECT frame = WindowRectForClient(Handle(), RECT{0, 0, client.cx, client.cy});
    SetWindowPos(Handle(), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    panel_->LayoutColumns();
    RedrawWindow(Handle(), nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
    // Only the view changed: the Setup is as it was.
    setup_.modified = modified;
}

void MainWindow::ShowAbout() {
    AboutBox about(Handle());
    about.DoModal();
}
