// The controls of the main window and of the chain popup, placed and coloured
// the way the panels place and colour them, so the skin can be judged where
// it will be seen.
#pragma once

#include <windows.h>

#include <vector>

#include "controls/color_scheme.h"

class ControlHost;

// A rectangle the host window's own background fills before the controls paint.
struct Backdrop {
    RECT rect;
    COLORREF colour;
};

constexpr int kMainWidth = 707;
constexpr int kMainHeight = 166;
constexpr int kPopupWidth = 127;
constexpr int kPopupHeight = 22;

// The main window at (x, y). variant changes the states shown (on/off,
// the playing measure, the tempo unit), so different rows show different looks.
void BuildMainWindow(ControlHost* host, int x, int y, const ColorScheme& scheme, int variant,
                     std::vector<Backdrop>* backdrops);

// The chain popup at (x, y).
void BuildChainPopup(ControlHost* host, int x, int y, const ColorScheme& scheme, std::vector<Backdrop>* backdrops);

// The controls no panel shows on its own: a text button in both looks and a
// plain text field. Returns the height used.
int BuildLooseControls(ControlHost* host, int x, int y, const ColorScheme& scheme, std::vector<Backdrop>* backdrops);
