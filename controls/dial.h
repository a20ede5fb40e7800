// A dial: an integer within a range, edited through an up and a down arrow, a
// level bar and a small text field, any of which may be left out. The parts
// are controls of the host with ids after the dial's own (+1 up, +2 down,
// +3 field, +4 bar); the host hands the ids they report to OnChildEvent.
#pragma once

#include <string>

#include "controls/bar.h"
#include "controls/bmp_button.h"
#include "controls/dial_edit.h"
#include "controls/mwnd.h"

class MDial : public MWnd {
public:
    MDial();
    ~MDial() override;

    using MWnd::Create;
    // Offsets are relative to (x, y). Arrow pictures are prefix + "UP" and
    // prefix + "DN"; an empty up prefix means the dial shows no arrows, a bar
    // or field of width and height 0 means no bar or no field. The value
    // starts at (max - min) / 2. `reserved` is accepted and ignored.
    void Create(int id, int x, int y, const std::string& upPrefix, int upDx, int upDy,
                const std::string& downPrefix, int downDx, int downDy, ControlHost* parent, int fieldDx,
                int fieldDy, int fieldWidth, int fieldHeight, int min, int reserved, int max, int multiplier,
                int barDx, int barDy, int barWidth, int barHeight, int thumbSize, bool horizontal);

    // Nothing while transparent; otherwise a plain panel around the parts.
    void Draw(HDC dc) override;
    void Show() override;
    void Hide() override;
    void SetRedraw(bool enabled) override;
    // From a live field at every change.
    virtual void TakeTypedText(const std::string& text);
    // From the field when it loses the focus.
    virtual void CommitField();
    // An arrow click: +1 or -1, times the multiplier while Ctrl is down.
    virtual void StepBy(int count);

    void SetColors7(COLORREF arrowForeground, COLORREF arrowBackground, COLORREF fieldText,
                    COLORREF fieldBackground, COLORREF barForeground, COLORREF barBackground,
                    COLORREF thumbColour);
    // Clamped; moves the bar and rewrites the text.
    void SetValue(int v);
    // The same, leaving the text as typed.
    void SetValueKeepText(int v);
    // The number in the field minus the display offset, unclamped; becomes the value.
    int GetValue();
    void OnChildEvent(int childId);
    void SetFieldFontAndBrush(HFONT font, HBRUSH brush);
    void SetTransparent(bool transparent);
    void SetLiveTyping(bool live);
    // Shown from the next SetValue on.
    void SetDisplayOffset(int offset) { displayOffset_ = offset; }
    // A new upper end; a value above it comes down to it.
    void SetMax(int max);

    void ShowArrows();
    void HideArrows();
    void ShowBar();
    void HideBar();
    void ShowField();
    void HideField();

    MBmpButton& UpButton() { return upButton_; }
    MBmpButton& DownButton() { return downButton_; }
    MDialEdit& Field() { return field_; }
    MBar& Bar() { return bar_; }
    int BaseId() const { return baseId_; }
    int Value() const { return value_; }  // without reading the field
    int Min() const { return min_; }
    int Max() const { return max_; }
    int Multiplier() const { return multiplier_; }
    int DisplayOffset() const { return displayOffset_; }
    bool IsTransparent() const { return transparent_; }
    bool LiveTyping() const { return liveTyping_; }
    bool HasArrows() const { return hasArrows_; }
    bool HasBar() const { return hasBar_; }
    bool HasField() const { return hasField_; }

protected:
    bool CtrlDown() const;

    int baseId_ = 0;
    MBmpButton upButton_;
    MBmpButton downButton_;
    MDialEdit field_;
    MBar bar_;
    int value_ = 0;
    int min_ = 0;
    int max_ = 0;
    int multiplier_ = 1;
    bool transparent_ = false;
    bool liveTyping_ = false;
    bool created_ = false;
    bool hasArrows_ = true;
    bool hasBar_ = true;
    bool hasField_ = true;
    int displayOffset_ = 0;
};
