// The column of eight measure buttons: measure 1 at the bottom, 8 at the top.
// The edited measure's button shows its released picture, the others their
// pressed one; the playing measure is marked in the alternate colours.
#pragma once

#include <memory>
#include <string>

#include "controls/mwnd.h"
#include "controls/toggle_button.h"

class MeasureStrip : public MWnd {
public:
    using MWnd::Create;
    void Create(int id, const std::string& prefix, int x, int y, ControlHost* parent, int count, bool samePictures);

    // Only the buttons show: the strip itself stays invisible.
    void Show() override;
    void Hide() override;

    void SelectIndex(int index);
    void Select(int id) { SelectIndex(id - id_ - 1); }
    int GetSelected() const { return selectedIndex_; }
    void SetPlaying(int index);
    int GetPlaying() const { return playingIndex_; }
    // Eight colours for the buttons (released, pressed, alternate released,
    // alternate pressed), then the strip's own foreground and background.
    void SetStripColors(COLORREF c1, COLORREF c2, COLORREF c3, COLORREF c4, COLORREF c5, COLORREF c6, COLORREF c7,
                        COLORREF c8, COLORREF foreground, COLORREF background);
    RECT GetButtonRect(int index) const;
    MDualToggleButton* Button(int index);

private:
    bool Valid(int index) const { return index >= 0 && index < count_; }

    std::unique_ptr<MDualToggleButton[]> buttons_;
    int count_ = 0;
    int selectedIndex_ = 0;
    int playingIndex_ = -1;
    bool buttonsOnly_ = false;
    bool samePictures_ = false;
};
