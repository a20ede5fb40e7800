#include "controls/control_registry.h"

#include <vector>

#include "controls/button.h"
#include "controls/mwnd.h"

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
    const std::vector<MWnd*>& entries = Entries();
    for (size_t i = entries.size(); i-- > 0;) {
        if (entries[i]->Parent() == parentWindow) entries[i]->Draw(dc);
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
            SetCursor(control->GetCursor());
            return control->Id();
        }
    }
    return 0;
}

MButton* CapturedControl() { return g_captured; }

void SetCapturedControl(MButton* control) { g_captured = control; }

}  // namespace ControlRegistry
