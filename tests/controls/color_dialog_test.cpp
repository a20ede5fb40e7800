// The system colour dialog: cancelled, it gives the current highlight2 back;
// its custom colours are random once per run and kept afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "controls/choose_base_color.h"
#include "controls/color_scheme.h"
#include "tests/controls/fixture.h"

namespace {
int g_dialogsCancelled = 0;

BOOL CALLBACK CancelIfColourDialog(HWND window, LPARAM) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    if (std::string(name) != "#32770" || !IsWindowVisible(window)) return TRUE;
    PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    ++g_dialogsCancelled;
    return FALSE;
}

// Cancels the colour dialog of this thread once it is up.
void CALLBACK CancelDialog(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), CancelIfColourDialog, 0); }
}  // namespace

using ColorDialogTest = ControlTest;

TEST_F(ColorDialogTest, CancelledGivesHighlight2AndCustomColoursAreFilledOnce) {
    ColorScheme scheme;
    scheme.DeriveFromBase(RGB(40, 60, 90));
    std::srand(1234);
    UINT_PTR timer = SetTimer(nullptr, 0, 300, CancelDialog);
    EXPECT_EQ(scheme.ChooseBaseColor(host->HostWindow()), scheme.highlight2);
    EXPECT_EQ(g_dialogsCancelled, 1);

    std::srand(1234);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(CustomColorTable()[i], RandomCustomColor()) << i;
    COLORREF first[16];
    for (int i = 0; i < 16; ++i) first[i] = CustomColorTable()[i];

    std::srand(99);
    scheme.highlight2 = RGB(1, 2, 3);
    EXPECT_EQ(scheme.ChooseBaseColor(host->HostWindow()), RGB(1, 2, 3));
    EXPECT_EQ(g_dialogsCancelled, 2);
    KillTimer(nullptr, timer);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(CustomColorTable()[i], first[i]) << i;
}
