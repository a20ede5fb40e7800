#include "panels/main_panel.h"

#include "ui/window_helpers.h"
#include "controls/gdi_helpers.h"
#include "controls/key_state.h"
#include "controls/paint_cache.h"
#include "controls/system_colors.h"
#include "controls/text_format.h"
#include "controls/zoom.h"
#include "editing/control_ids.h"

namespace {
constexpr int kFirstColumnX = 94;
constexpr int kColumnWidth = 38;
constexpr int kClientHeight = 166;
constexpr int kWidthBeyondColumns = 99;  // client width = 38 n + 99
}  // namespace

MainPanel::MainPanel(ControlHost& owner, Setup& setup) : owner_(owner), setup_(setup) {
    font_ = CreatePointFont(70, "Arial");
    scheme_.DeriveFromBase(SystemColor(kColorHighlight));
    columnBrush_ = CreateSolidBrush(scheme_.btnFace);

    // Last to first, so the registry offers the mouse to column 1 first.
    for (int k = kColumnCount; k >= 1; --k) {
        columns_[k - 1] = std::make_unique<StepColumn>();
        StepColumn& column = *columns_[k - 1];
        column.Create(ColumnControlId(k - 1, 0), std::to_string(k), kFirstColumnX + kColumnWidth * (k - 1), 2, &owner);
        column.SetSharedFieldResources(font_, columnBrush_);
    }

    backgroundLabel_.Create(0, "GLOBALBMP", 0, 0, &owner, "GLOBALBMP");
    playButton_.Create(ID_PLAY, "PLAYBTN", 36, 60, &owner, "PLAYUP", "PLAYDN");
    playButton_.SetCursorResource("PUSHCUR");
    playButton_.SetOn(false);
    muteButton_.Create(ID_MUTE, "MUTEBTN", 40, 92, &owner, "ONOFFUP", "ONOFFDN");
    muteButton_.SetCursorResource("PUSHCUR");
    muteButton_.SetOn(true);
    tempoDial_.Create(ID_TEMPO_FIRST, 18, 146, "UPARROW", 0, 0, "DNARROW", 0, 9, &owner, 7, 3, 53, 13, 0, 0, 1000000,
                      10, 0, 0, 0, 0, 0, false);
    tempoDial_.SetTransparent(false);
    tempoDial_.SetLiveTyping(false);
    volumeDial_.Create(ID_MASTER_VOLUME_FIRST, 2, 2, "UPARROW", 0, 144, "DNARROW", 0, 153, &owner, 0, 0, 0, 0, 0, 0,
                       100, 10, 0, 0, 6, 135, 2, false);
    volumeDial_.HideField();
    volumeDial_.SetValue(100);
    pitchDial_.Create(ID_MASTER_PITCH_FIRST, 10, 2, "UPARROW", 0, 144, "DNARROW", 0, 153, &owner, 0, 0, 0, 0, -59, 0,
                      67, 12, 0, 0, 6, 135, 2, false);
    pitchDial_.HideField();
    pitchDial_.SetValue(100);  // clamps to 67 until start-up sets the Setup's value

    menuBar_.Create("menu", 22, 4, &owner);
    strip_.Create(ID_MEASURE_STRIP, "LOOPSCTRL", 79, 0, &owner, 8, false);

    // A read-out below the visible client area; nothing reads it back.
    readout_.Create(3, &owner, scheme_.btnShadow, scheme_.btnFace, 30, 171, 300, 15, "left");
    if (HWND field = readout_.Handle())
        SetWindowLongA(field, GWL_STYLE, GetWindowLongA(field, GWL_STYLE) ^ WS_TABSTOP);

    chainPopup_.Create(OwnerWindow(), setup);
    chainPopup_.SetColors(scheme_);
    built_ = true;
}

MainPanel::~MainPanel() {
    if (columnBrush_) DeleteObject(columnBrush_);
    if (font_) DeleteObject(font_);
}

void MainPanel::ApplyColorScheme(Colorref rgb) {
    // The pictures and brushes of the old colours will not be drawn again.
    PaintCache::Clear();
    scheme_.DeriveFromBase(rgb);
    // The fields keep the old brush until they are handed the new one below.
    HBRUSH oldBrush = columnBrush_;
    columnBrush_ = CreateSolidBrush(scheme_.highlight2);
    for (auto& column : columns_) {
        column->ApplyColorScheme(rgb);
        column->SetSharedFieldResources(font_, columnBrush_);
    }
    if (oldBrush) DeleteObject(oldBrush);

    const ColorScheme& c = scheme_;
    backgroundLabel_.SetColors(c.highlight2, c.background);
    playButton_.SetColors4(c.btnShadow, c.btnFace, c.highlight, c.highlightText);
    muteButton_.SetColors4(c.highlightText, c.highlight2, c.highlight, c.highlightText);
    tempoDial_.SetColors7(c.highlightText, c.highlight, c.highlight, c.highlightText, 0, 0, 0);
    volumeDial_.SetColors7(c.highlightText, c.highlight, c.highlight, c.highlightText, c.highlightText, c.highlight,
                           c.btnFace);
    pitchDial_.SetColors7(c.highlightText, c.highlight, c.highlight, c.highlightText, c.highlightText, c.highlight,
                          c.btnFace);
    strip_.SetStripColors(c.highlight2, c.background, c.highlight2, c.btnFace, c.btnShadow, c.btnHighlight,
                          c.btnShadow, c.btnHighlight, c.highlight2, c.btnFace);
    menuBar_.ApplyColorScheme(rgb);
    chainPopup_.SetColors(scheme_);
    readout_.SetColors(c.btnShadow, c.btnFace);
}

void MainPanel::ApplyZoom() {
    // The fields' shared font is made anew for the new size.
    HFONT oldFont = font_;
    font_ = CreatePointFont(70, "Arial");
    for (auto& column : columns_) column->SetSharedFieldResources(font_, columnBrush_);
    if (oldFont) DeleteObject(oldFont);
    ApplyZoomToFields(OwnerWindow());
    menuBar_.ApplyZoom();
    chainPopup_.ApplyZoom();
}

SIZE MainPanel::ClientSizeFor(int columns) {
    return {Zoom::ToWindow(kColumnWidth * columns + kWidthBeyondColumns), Zoom::ToWindow(kClientHeight)};
}

void MainPanel::LayoutColumns() {
    RECT client;
    GetClientRect(OwnerWindow(), &client);
    // A column more for every 38 layout pixels, whatever the zoom.
    const int n = (Zoom::ToLayout(client.right) - kFirstColumnX) / kColumnWidth;
    if (n < 1 || n > kColumnCount) return;  // minimised, or narrower than one column
    for (int k = 1; k <= kColumnCount; ++k) {
        StepColumn& column = Column(k);
        if (k <= n) {
            if (!column.IsVisible()) column.Show();
        } else {
            column.Hide();
        }
    }
    setup_.stepsPerMeasure = n;
}

void MainPanel::SetColumnCount(int n) {
    RECT window;
    GetWindowRect(OwnerWindow(), &window);
    const SIZE client = ClientSizeFor(n);
    ResizeToClient(OwnerWindow(), RECT{window.left, window.top, window.left + client.cx, window.top + client.cy});
    LayoutColumns();
}

void MainPanel::SetReadout(const std::string& text) { readout_.SetText(text); }

void MainPanel::OpenChainPopup(int measureIndex) {
    RECT button = strip_.GetButtonRect(measureIndex);
    POINT corner = {Zoom::ToWindow(button.right), Zoom::ToWindow(button.top - 1)};
    ClientToScreen(OwnerWindow(), &corner);
    chainPopup_.ShowFor(corner.x, corner.y, measureIndex);
}

void MainPanel::SetStepControl(int column, int kind, int value) { Column(column + 1).ShowValue(kind, value); }
void MainPanel::SetSoundControlMax(int column, int max) { Column(column + 1).SetSoundMax(max); }
int MainPanel::StepControlValue(int column, int kind) { return Column(column + 1).ReadValue(kind); }
void MainPanel::HoldColumnRedraw(int column, bool hold) {
    StepColumn& c = Column(column + 1);
    c.SetRedraw(!hold);
    // Released: the column repaints once with everything it was given.
    if (!hold && c.IsVisible()) c.Show();
}
void MainPanel::ColumnHandleEvent(int column, int id) { Column(column + 1).RouteChildEvent(id); }
void MainPanel::ShowValueReadout(int value) { SetReadout(FormatInt(value)); }
int MainPanel::StripSelection() { return strip_.GetSelected(); }
void MainPanel::StripSelectButton(int id) { strip_.Select(id); }
void MainPanel::StripMarkSelected(int measure) { strip_.SelectIndex(measure); }

void MainPanel::GlobalControlHandleEvent(int id) {
    if (InRange(id, ID_TEMPO_FIRST, ID_TEMPO_LAST)) tempoDial_.OnChildEvent(id);
    else if (InRange(id, ID_MASTER_VOLUME_FIRST, ID_MASTER_VOLUME_LAST)) volumeDial_.OnChildEvent(id);
    else if (InRange(id, ID_MASTER_PITCH_FIRST, ID_MASTER_PITCH_LAST)) pitchDial_.OnChildEvent(id);
}

double MainPanel::TempoFieldValue() { return tempoDial_.GetRealValue(); }
void MainPanel::SetTempoFieldValue(double tempo) { tempoDial_.SetRealValue(tempo); }
int MainPanel::MasterVolumeDialValue() { return volumeDial_.GetValue(); }
void MainPanel::SetMasterVolumeDial(int value) { volumeDial_.SetValue(value); }
int MainPanel::MasterPitchDialValue() { return pitchDial_.GetValue(); }
void MainPanel::SetMasterPitchDial(int value) { pitchDial_.SetValue(value); }
bool MainPanel::MuteButtonPressed() { return muteButton_.IsOn(); }

void MainPanel::SetMuteButton(bool pressed) {
    muteButton_.SetOn(pressed);
    muteButton_.Show();
}

void MainPanel::OpenSoundMenu(int column) {
    if (soundMenuOpener_) soundMenuOpener_(soundMenuContext_, column);
}

void MainPanel::OpenPanelMenu(int menuId, int buttonId) { menuBar_.OpenMenu(menuId, buttonId); }
bool MainPanel::IsShiftDown() { return (AsyncKeyState(VK_SHIFT) & 0x8000) != 0; }
bool MainPanel::IsAltDown() { return (AsyncKeyState(VK_MENU) & 0x8000) != 0; }

void MainPanel::SetPlayButton(bool pressed) {
    playButton_.SetOn(pressed);
    playButton_.Show();
}

void MainPanel::SetPlayingMeasure(int measure) { strip_.SetPlaying(measure); }

void MainPanel::SetLamp(int column, bool on) {
    if (column >= 0 && column < kColumnCount) Column(column + 1).SetLamp(on);
}
