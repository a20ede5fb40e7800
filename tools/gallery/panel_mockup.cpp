#include "tools/gallery/panel_mockup.h"

#include <string>

#include "controls/bmp_button.h"
#include "controls/bmp_label.h"
#include "controls/button.h"
#include "controls/dial.h"
#include "controls/edit.h"
#include "controls/gdi_helpers.h"
#include "controls/tempo_dial.h"
#include "controls/toggle_button.h"

namespace {

// Like the panels' controls, these live until the program ends.
template <class T>
T* Make() {
    return new T();
}

constexpr COLORREF kUnpainted = 0xFFFFFFFF;

void BuildStepColumn(ControlHost* host, int k, int x, int y, const ColorScheme& s, HFONT font, HBRUSH brush,
                     int variant) {
    const int base = 10000 + 100 * (k - 1);
    MBmpLabel* picture = Make<MBmpLabel>();
    picture->Create(base, std::to_string(k), x, y, host, "NOTEBMP");
    picture->SetColors(s.highlight2, s.btnFace);

    MWnd* lamp = Make<MWnd>();
    lamp->Create(base, std::to_string(k), x + 12, y + 2, 23, 16, host);
    if (k == 5 + variant) {
        lamp->SetColors(s.btnFace, s.background);  // lit: this step sounds
    } else {
        lamp->SetColors(s.highlightText, s.highlight2);
    }

    MToggleButton* on = Make<MToggleButton>();
    on->Create(base + 10, "", x + 12, y + 30, host, "ONOFFUP", "ONOFFDN");
    on->SetColors4(s.btnShadow, s.btnFace, s.btnShadow, s.btnHighlight);
    on->SetOn(k % 4 != 3);

    MDial* pitch = Make<MDial>();
    pitch->Create(base + 20, x + 1, y + 63, "UPARROW", 0, 0, "DNARROW", 0, 9, host, 7, 2, 21, 15, -59, 0, 67, 12, 0, 0,
                  0, 0, 0, false);
    pitch->SetLiveTyping(true);
    MDial* sound = Make<MDial>();
    sound->Create(base + 30, x + 1, y + 96, "UPARROW", 0, 0, "DNARROW", 0, 9, host, 7, 2, 21, 15, 0, 1, 127, 10, 0, 0,
                  0, 0, 0, false);
    sound->SetLiveTyping(true);
    sound->SetDisplayOffset(1);
    MDial* volume = Make<MDial>();
    volume->Create(base + 40, x + 30, y + 19, "UPARROW", 0, 115, "DNARROW", 0, 124, host, 0, 0, 0, 0, 0, 0, 127, 10, 0,
                   0, 6, 115, 2, false);
    volume->HideField();
    MDial* pan = Make<MDial>();
    pan->Create(base + 50, x + 2, y + 130, "", 0, 0, "", 0, 0, host, 0, 0, 0, 0, 0, 64, 127, 18, 0, 0, 27, 7, 5, true);
    pan->HideField();
    pan->HideArrows();
    MDial* aux = Make<MDial>();
    aux->Create(base + 60, x + 2, y + 153, "", 0, 0, "", 0, 0, host, 0, 0, 0, 0, 0, 64, 127, 18, 0, 0, 27, 7, 2, true);
    aux->HideField();
    aux->HideArrows();

    pitch->SetColors7(s.btnShadow, s.btnHighlight, s.background, s.highlight2, 0, 0, 0);
    sound->SetColors7(s.btnShadow, s.btnHighlight, s.background, s.highlight2, 0, 0, 0);
    volume->SetColors7(s.btnShadow, s.btnHighlight, s.background, s.highlight2, s.btnShadow, kUnpainted,
                       s.highlightText);
    pan->SetColors7(s.btnShadow, s.btnHighlight, s.background, s.highlight2, s.btnShadow, s.btnShadow,
                    s.btnHighlight);
    aux->SetColors7(s.btnShadow, s.btnHighlight, s.background, s.highlight2, s.btnShadow, s.btnFace,
                    s.highlightText);
    for (MDial* dial : {pitch, sound, volume, pan, aux}) dial->SetFieldFontAndBrush(font, brush);

    pitch->SetValue((k * 7) % 25 - 12);
    sound->SetValue(k - 1);
    volume->SetValue(40 + (k * 23) % 88);
    pan->SetValue((k * 37) % 128);
    aux->SetValue(127 - (k * 19) % 128);
}

}  // namespace

void BuildMainWindow(ControlHost* host, int x, int y, const ColorScheme& s, int variant,
                     std::vector<Backdrop>* backdrops) {
    // The window's background is the step columns' btnFace.
    backdrops->push_back({RECT{x, y, x + kMainWidth, y + kMainHeight}, s.btnFace});
    HFONT font = CreatePointFont(70, "Arial");
    HBRUSH brush = CreateSolidBrush(s.highlight2);

    for (int k = 16; k >= 1; --k) BuildStepColumn(host, k, x + 94 + 38 * (k - 1), y + 2, s, font, brush, variant);

    MBmpLabel* background = Make<MBmpLabel>();
    background->Create(0, "GLOBALBMP", x, y, host, "GLOBALBMP");
    background->SetColors(s.highlight2, s.background);

    MToggleButton* play = Make<MToggleButton>();
    play->Create(1000, "PLAYBTN", x + 36, y + 60, host, "PLAYUP", "PLAYDN");
    play->SetColors4(s.btnShadow, s.btnFace, s.highlight, s.highlightText);
    play->SetOn(variant % 2 == 1);
    MToggleButton* mute = Make<MToggleButton>();
    mute->Create(1001, "MUTEBTN", x + 40, y + 92, host, "ONOFFUP", "ONOFFDN");
    mute->SetColors4(s.highlightText, s.highlight2, s.highlight, s.highlightText);
    mute->SetOn(variant % 3 != 2);

    MTempoDial* tempo = Make<MTempoDial>();
    tempo->Create(1005, x + 18, y + 146, "UPARROW", 0, 0, "DNARROW", 0, 9, host, 7, 3, 53, 13, 0, 0, 1000000, 10, 0, 0,
                  0, 0, 0, false);
    tempo->SetTransparent(false);
    tempo->SetLiveTyping(false);
    tempo->SetColors7(s.highlightText, s.highlight, s.highlight, s.highlightText, 0, 0, 0);
    if (variant % 2 == 1) tempo->StepBy(1);
    tempo->SetShowDerived(variant % 4 == 2 ? 1 : 0);

    MDial* volume = Make<MDial>();
    volume->Create(1050, x + 2, y + 2, "UPARROW", 0, 144, "DNARROW", 0, 153, host, 0, 0, 0, 0, 0, 0, 100, 10, 0, 0, 6,
                   135, 2, false);
    volume->HideField();
    volume->SetValue(80);
    MDial* pitch = Make<MDial>();
    pitch->Create(1060, x + 10, y + 2, "UPARROW", 0, 144, "DNARROW", 0, 153, host, 0, 0, 0, 0, -59, 0, 67, 12, 0, 0, 6,
                  135, 2, false);
    pitch->HideField();
    pitch->SetValue(variant * 7 - 5);
    for (MDial* dial : {volume, pitch}) {
        dial->SetColors7(s.highlightText, s.highlight, s.highlight, s.highlightText, s.highlightText, s.highlight,
                         s.btnFace);
    }

    const char* menuNames[3] = {"FILE", "EDIT", "MIDI"};
    const COLORREF menuColours[3][2] = {
        {s.highlightText, s.highlight}, {s.btnFace, s.btnShadow}, {s.highlight, s.highlightText}};
    for (int i = 0; i < 3; ++i) {
        MBmpButton* menu = Make<MBmpButton>();
        const std::string name = menuNames[i];
        menu->Create(1002 + i, "", x + 22 + 18 * i, y + 4, host, name + "UP", name + "DN");
        menu->SetColors(menuColours[i][0], menuColours[i][1]);
    }

    for (int n = 1; n <= 8; ++n) {
        MDualToggleButton* measure = Make<MDualToggleButton>();
        const std::string prefix = "LOOPSCTRL" + std::to_string(n);
        measure->Create(20000 + n, "", x + 79, y + 144 - 20 * (n - 1), host, prefix + "UP", prefix + "DN");
        measure->SetColors8(s.highlight2, s.background, s.highlight2, s.btnFace, s.btnShadow, s.btnHighlight,
                            s.btnShadow, s.btnHighlight);
        measure->SetOn(n != 1 + variant % 8);  // the edited measure shows released
        measure->SetUseAlternate(n == 3 + variant % 6);  // the playing one
    }
}

void BuildChainPopup(ControlHost* host, int x, int y, const ColorScheme& s, std::vector<Backdrop>* backdrops) {
    backdrops->push_back({RECT{x, y, x + kPopupWidth, y + kPopupHeight}, s.btnShadow});
    MBmpLabel* background = Make<MBmpLabel>();
    background->Create(0, "LOOPBKGBMP", x, y, host, "LOOPBKGBMP");
    background->SetColors(s.highlight2, s.background);
    MDial* next = Make<MDial>();
    next->Create(1020, x + 1, y + 1, "UPARROW", 21, 0, "DNARROW", 21, 9, host, 0, 3, 21, 15, 1, 0, 8, 1, 0, 0, 0, 0, 0,
                 false);
    MDial* repeat = Make<MDial>();
    repeat->Create(1040, x + 96, y + 1, "UPARROW", 0, 0, "DNARROW", 0, 9, host, 7, 3, 21, 15, 1, 0, 32, 4, 0, 0, 0, 0,
                   0, false);
    for (MDial* dial : {next, repeat}) {
        dial->SetTransparent(false);
        dial->SetLiveTyping(true);
        dial->SetColors7(s.highlightText, s.highlight, s.highlight, s.highlightText, 0, 0, 0);
    }
    next->SetValue(4);
    repeat->SetValue(2);
}

int BuildLooseControls(ControlHost* host, int x, int y, const ColorScheme& s, std::vector<Backdrop>* backdrops) {
    backdrops->push_back({RECT{x, y, x + 150, y + 24}, s.btnFace});
    MButton* released = Make<MButton>();
    released->Create(1, "MButton", x + 2, y + 2, 60, 20, host);
    released->SetColors(s.highlightText, s.highlight);
    MButton* pressed = Make<MButton>();
    pressed->Create(2, "pressed", x + 66, y + 2, 60, 20, host);
    pressed->SetColors(s.highlightText, s.highlight);
    pressed->SetPressed(true);
    MEdit* field = Make<MEdit>();
    field->Create(3, host, s.btnShadow, s.btnFace, x, y + 28, 126, 15, "left");
    field->SetColors(s.btnShadow, s.btnFace);
    field->SetText("MEdit read-out 0123");
    return 45;
}
