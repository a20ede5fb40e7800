// Long work beside a running window: the work runs on a thread of its own
// while this thread keeps dispatching messages, so the windows repaint and
// posted messages are handled. Input is held back meanwhile; Escape asks the
// work to stop. Work that takes longer than half a second shows a small
// progress box over the owner, with a Cancel button.
#pragma once
#include <windows.h>

#include <functional>

// Reports the fraction done (0 to 1); returns false once the work should stop.
using WorkProgress = std::function<bool(double fraction)>;

// Runs `work` and returns when it has returned: true unless it was asked to
// stop (by Escape, the Cancel button or the end of the message loop).
bool RunBesideWindow(HWND owner, const char* title, const std::function<void(const WorkProgress&)>& work);

// How long work runs before its progress is shown.
constexpr DWORD kProgressDelayMs = 500;
