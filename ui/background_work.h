// Long work beside a running window: the work runs on a thread of its own
// while this thread keeps dispatching messages, so the windows repaint and
// posted messages are handled (a playing sequencer's, and other copies'
// start and stop). Input is dropped meanwhile; Escape asks the work to stop.
// Posted messages that could start work of their own inside the wait (a
// command, a dropped file, a close, each of which may open a file or ask a
// question) are held until the caller is done with the result. Work that
// takes longer than half a second shows a small progress box over the owner,
// with a Cancel button.
#pragma once
#include <windows.h>

#include <functional>
#include <vector>

// Reports the fraction done (0 to 1); returns false once the work should stop.
using WorkProgress = std::function<bool(double fraction)>;

// Messages held back while work ran, in the order they came.
class HeldMessages {
public:
    void Hold(const MSG& msg) { messages_.push_back(msg); }
    size_t Count() const { return messages_.size(); }
    // Posts them again, for the message loop to handle as if they came now.
    void PostAgain();

private:
    std::vector<MSG> messages_;
};

// Runs `work` and returns when it has returned: true unless it was asked to
// stop (by Escape, the Cancel button or the end of the message loop).
bool RunBesideWindow(HWND owner, const char* title, const std::function<void(const WorkProgress&)>& work,
                     HeldMessages& held);

// How long work runs before its progress is shown.
constexpr DWORD kProgressDelayMs = 500;
