#include "controls/choose_base_color.h"

#include <commdlg.h>

#include "controls/color_scheme.h"

namespace {
COLORREF g_customColors[16];
bool g_customColorsFilled = false;
}  // namespace

const COLORREF* CustomColorTable() { return g_customColors; }

Colorref ColorScheme::ChooseBaseColor(HWND ownerWindow) const {
    if (!g_customColorsFilled) {
        for (COLORREF& colour : g_customColors) colour = RandomCustomColor();
        g_customColorsFilled = true;
    }
    CHOOSECOLORA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = ownerWindow;
    dialog.rgbResult = highlight2;
    dialog.lpCustColors = g_customColors;
    dialog.Flags = CC_RGBINIT | CC_FULLOPEN;
    return ChooseColorA(&dialog) ? dialog.rgbResult : highlight2;
}
