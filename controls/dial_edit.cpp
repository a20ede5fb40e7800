#include "controls/dial_edit.h"

#include "controls/control_events.h"
#include "controls/control_host.h"
#include "controls/dial.h"

MDialEdit::MDialEdit() = default;

MDialEdit::~MDialEdit() = default;

void MDialEdit::Create(int id, ControlHost* parent, int x, int y, int width, int height,
                       const std::string& alignment, MDial* owner) {
    owner_ = owner;
    pendingChange_ = false;
    redrawFlag_ = true;
    live_ = true;
    MEdit::Create(id, parent, 0, 0, x, y, width, height, alignment);
}

void MDialEdit::SetRedrawFlag(bool redraw) {
    redrawFlag_ = redraw;
    if (Handle()) SendMessageA(Handle(), WM_SETREDRAW, redraw ? TRUE : FALSE, 0);
}

void MDialEdit::ShowIfRedraw() {
    if (redrawFlag_ && Handle()) ShowWindow(Handle(), SW_SHOW);
}

void MDialEdit::HideIfRedraw() {
    if (redrawFlag_ && Handle()) ShowWindow(Handle(), SW_HIDE);
}

void MDialEdit::Tell(int event) {
    if (parent_) parent_->OnControlEvent(event, 0, 0, id_);
}

void MDialEdit::OnKillFocus() {
    DropSelection();
    owner_->CommitField();
    Tell(CE_NONE);
    if (!live_ && pendingChange_) {
        pendingChange_ = false;
        Tell(CE_FIELD_COMMIT);
    }
}

void MDialEdit::OnChange() {
    // Text set by the program leaves the modified flag clear.
    if (SendMessageA(Handle(), EM_GETMODIFY, 0, 0) == 0) return;
    if (!live_) {
        pendingChange_ = true;
        return;
    }
    owner_->TakeTypedText(GetText());
    Tell(CE_FIELD_COMMIT);
}

LRESULT MDialEdit::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_LBUTTONDOWN) {
        Tell(CE_FIELD_CLICK);
    } else if (message == WM_RBUTTONDOWN) {
        Tell(CE_FIELD_RCLICK);
    }
    return MEdit::WindowProc(message, wParam, lParam);
}
