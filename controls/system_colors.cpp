#include "controls/system_colors.h"

#ifdef _WIN32
#include <windows.h>

Colorref SystemColor(SystemColorIndex index) { return GetSysColor(index); }

#else

Colorref SystemColor(SystemColorIndex index) {
    switch (index) {
    case kColorBackground: return MakeColorref(0, 128, 128);
    case kColorHighlight: return MakeColorref(0, 0, 128);
    case kColorHighlightText: return MakeColorref(255, 255, 255);
    case kColorBtnFace: return MakeColorref(192, 192, 192);
    case kColorBtnShadow: return MakeColorref(128, 128, 128);
    case kColorBtnHighlight: return MakeColorref(255, 255, 255);
    }
    return 0;
}

#endif
