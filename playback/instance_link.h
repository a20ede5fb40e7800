// Running copies of the program find one another by the first eleven
// characters of their main window's caption, and start and stop together.
#pragma once

#include <cstdint>

// The caption prefix every copy's main window keeps: " -  +  ÷  x".
constexpr char kInstanceCaptionPrefix[] = " -  +  \xF7  x";
constexpr int kInstanceCaptionPrefixLength = 11;
// At most this many top-level windows are looked at per walk.
constexpr int kInstanceWalkLimit = 100;

// Whether a caption (Windows-1252 bytes) begins with the prefix.
bool HasInstanceCaptionPrefix(const char* caption);

#ifdef _WIN32
#include <windows.h>
// Posts the message to every top-level window whose caption begins with the
// prefix, among the first 100 of the z-order; returns how many. Never waits.
uint16_t BroadcastToInstances(HWND anyTopLevelWindow, UINT message, WPARAM wParam, LPARAM lParam);
#endif
