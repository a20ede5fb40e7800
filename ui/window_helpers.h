// Small helpers shared by the windows of the program.
#pragma once
#include <windows.h>

// Gives a window the client rectangle asked for (border added), moved and repainted.
void ResizeToClient(HWND window, const RECT& clientRect);

// Centres a window over the screen's work area.
void CenterWindow(HWND window);
