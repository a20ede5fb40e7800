// Small helpers shared by the windows of the program.
#pragma once
#include <windows.h>

// The program's notice box: no owner window, caption "NOTE!", an OK button.
void ShowNote(const char* text);

// Gives a window the client rectangle asked for (border added), moved and repainted.
void ResizeToClient(HWND window, const RECT& clientRect);

// Centres a window over the screen's work area.
void CenterWindow(HWND window);
