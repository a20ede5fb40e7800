// The screen resolution a window is shown at, and window geometry that
// follows it. The program declares itself aware of each screen's DPI; what
// the system offers for that depends on its version, so each call falls back
// to what an older Windows has.
#pragma once
#include <windows.h>

// The DPI of the screen the window is on (GetDpiForWindow, Windows 10 1607
// on), else the system's.
int WindowDpi(HWND window);

// The window rectangle around a client rectangle, with the frame the window
// has at its own DPI.
RECT WindowRectForClient(HWND window, const RECT& client);

// Leaves a dialog's size and controls to the program when its DPI changes
// (the dialog manager would rescale them by itself from Windows 10 1703 on).
void KeepDialogLayoutOnDpiChange(HWND dialog);
