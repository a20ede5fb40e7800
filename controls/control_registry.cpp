#include "controls/control_registry.h"

#include <vector>

#include "controls/button.h"
#include "controls/mwnd.h"
#include "controls/resource_module.h"

namespace ControlRegistry {
namespace {

// Oldest first. Walks go by index so that a control created during a walk
// cannot invalidate it.
std::vector<MWnd*>& Entries() {
    static std::vector<MWnd*> entries;
    return entries;
}

MButton* g_captured = nullptr;

// The mouse-taking control of that host, or null. The class name is the
// marker; a control marked otherwise that is no button is skipped as well.
MButton* MouseControl(MWnd* control, const ControlHost* parentWindow) {
    if (control->Parent() != parentWindow || control->ClassName() == "MWnd") return nullptr;
    return dynamic_cast<MButton*>(control);
}

}  // namespace

void Register(MWnd* control) { Entries().push_back(control); }

void PaintControls(HDC dc, const ControlHost* parentWindow) {
    // A control wholly outside the area being painted would find its rectangle
    // not visible and draw nothing: it is passed over without the call.
    RECT box;
    const int clip = GetClipBox(dc, &box);
    if (clip == NULLREGION) return;
    const std::vector<MWnd*>& entries = Entries();
    for (size_t i = entries.size(); i-- > 0;) {
        MWnd* control = entries[i];
        if (control->Parent() != parentWindow) continue;
        if (clip != ERROR) {
            const RECT& rect = control->Rect();
            if (rect.right <= box.left || rect.left >= box.right || rect.bottom <= box.top || rect.top >= box.bottom)
                continue;
        }
        control->Draw(dc);
    }
}

int DispatchMouseEvent(int event, int x, int y, const ControlHost* parentWindow) {
    const std::vector<MWnd*>& entries = Entries();
    for (size_t i = entries.size(); i-- > 0;) {
        MButton* control = MouseControl(entries[i], parentWindow);
        if (control && control->OnMouse(event, x, y) != 0) return control->Id();
    }
    return 0;
}

int UpdateControlCursor(int event, int x, int y, const ControlHost* parentWindow) {
    const POINT point = {x, y};
    const std::vector<MWnd*>& entries = Entries();
    for (size_t i = entries.size(); i-- > 0;) {
        MButton* control = MouseControl(entries[i], parentWindow);
        if (!control) continue;
        const RECT rect = control->Rect();
        if (PtInRect(&rect, point) && control->GetCursor() && control->IsVisible()) {
            SetCursor(ZoomedCursor(control->GetCursor()));
            return control->Id();
        }
    }
    return 0;
}

MButton* CapturedControl() { return g_captured; }

void SetCapturedControl(MButton* control) { g_captured = control; }

}  // namespace ControlRegistry
