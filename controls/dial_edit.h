// The text field of a dial: typed numbers go to the dial either at every
// change (live) or when the field loses the focus, and the host hears of
// clicks, focus loss and commits through OnControlEvent with the field's id.
#pragma once

#include "controls/edit.h"

class MDial;

class MDialEdit : public MEdit {
public:
    MDialEdit();
    ~MDialEdit() override;

    // Created live, with the system colours until the dial sets its own.
    void Create(int id, ControlHost* parent, int x, int y, int width, int height, const std::string& alignment,
                MDial* owner);
    void SetLive(bool live) { live_ = live; }
    // Also WM_SETREDRAW to the window.
    void SetRedrawFlag(bool redraw);
    void ShowIfRedraw();
    void HideIfRedraw();

    bool IsLive() const { return live_; }
    bool RedrawFlag() const { return redrawFlag_; }
    bool HasPendingChange() const { return pendingChange_; }
    // The dial refused what was typed: leaving the field commits nothing.
    void DropPendingChange() { pendingChange_ = false; }

    void OnKillFocus() override;
    void OnChange() override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void Tell(int event);

    MDial* owner_ = nullptr;
    bool live_ = true;
    bool pendingChange_ = false;
    bool redrawFlag_ = true;
};
