// The few system colours the controls fall back on before a scheme is applied.
#pragma once

#include "controls/color_ref.h"

// The values are the platform's COLOR_* indices.
enum SystemColorIndex {
    kColorBackground = 1,
    kColorHighlight = 13,
    kColorHighlightText = 14,
    kColorBtnFace = 15,
    kColorBtnShadow = 16,
    kColorBtnHighlight = 20,
};

// GetSysColor on Windows; elsewhere the classic Windows defaults, so that the
// colour code builds and runs natively.
Colorref SystemColor(SystemColorIndex index);
