// Small helpers shared by the windows of the program.
#pragma once
#include <windows.h>

// Gives a window the client rectangle asked for (border added), moved and repainted.
void ResizeToClient(HWND window, const RECT& clientRect);

// Centres a window over the screen's work area.
void CenterWindow(HWND window);

// Lets a window that is about to be destroyed leave the screen at once:
// afterwards it no longer counts as visible, so destroying it removes it
// without hiding it first. Hiding a top-level window waits for the window
// manager to confirm it was shown; under Wine without a window manager that
// wait lasts two seconds, and the window stays on the screen, frozen, meanwhile.
void LeaveScreenAtOnce(HWND window);

// EndDialog for a dialog box run by DialogBox, after LeaveScreenAtOnce.
void EndDialogAtOnce(HWND dialog, INT_PTR result);
