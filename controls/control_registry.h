// The one process-wide list of every control ever created, walked newest
// first to paint them and to offer them mouse events, and the control that
// holds the mouse between a press and its release.
#pragma once

#include <windows.h>

class ControlHost;
class MButton;
class MWnd;

namespace ControlRegistry {

// Appends at the newest end; called by MWnd::Create only. Entries are never
// removed: a registered control must outlive all painting and dispatch.
void Register(MWnd* control);

// Draws the controls of one host, newest first; each excludes its rectangle,
// so where controls overlap the newest is the one seen.
void PaintControls(HDC dc, const ControlHost* parentWindow);

// Offers the event to the host's mouse-taking controls, newest first; the
// first that takes it ends the walk and its id is returned, else 0.
int DispatchMouseEvent(int event, int x, int y, const ControlHost* parentWindow);

// Sets the cursor of the newest visible mouse-taking control under (x, y)
// that has one and returns its id; 0 leaves the cursor to the host.
int UpdateControlCursor(int event, int x, int y, const ControlHost* parentWindow);

MButton* CapturedControl();
void SetCapturedControl(MButton* control);

}  // namespace ControlRegistry
