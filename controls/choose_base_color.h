// The custom colours offered by the colour dialog of ColorScheme::ChooseBaseColor.
#pragma once

#include <windows.h>

// The 16 custom colours, random from the first dialog of the run on and
// keeping what the user defines; all 0 before the first dialog.
const COLORREF* CustomColorTable();
