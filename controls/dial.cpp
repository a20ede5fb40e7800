#include "controls/dial.h"

#include <cstdint>

#include "controls/dial_math.h"
#include "controls/key_state.h"
#include "controls/text_format.h"

MDial::MDial() = default;

MDial::~MDial() = default;

void MDial::Create(int id, int x, int y, const std::string& upPrefix, int upDx, int upDy,
                   const std::string& downPrefix, int downDx, int downDy, ControlHost* parent, int fieldDx,
                   int fieldDy, int fieldWidth, int fieldHeight, int min, int reserved, int max, int multiplier,
                   int barDx, int barDy, int barWidth, int barHeight, int thumbSize, bool horizontal) {
    baseId_ = id;
    parent_ = parent;
    min_ = min;
    max_ = max;
    multiplier_ = multiplier;

    // Registered before its parts, so the parts are drawn first and get the
    // mouse first. Until created_ is set, Show and SetRedraw do nothing here.
    MWnd::Create(id, "dial", x, y, 0, 0, parent);

    upButton_.Create(id + 1, "up", x + upDx, y + upDy, parent, upPrefix + "UP", upPrefix + "DN");
    upButton_.SetCursorResource("UPCUR");
    downButton_.Create(id + 2, "dn", x + downDx, y + downDy, parent, downPrefix + "UP", downPrefix + "DN");
    downButton_.SetCursorResource("DNCUR");
    // Without a prefix the buttons exist with 1 x 1 placeholder pictures;
    // the dial never shows them, and the panel hides them.
    hasArrows_ = !upPrefix.empty();

    bar_.Create(id + 4, "bar", x + barDx, y + barDy, barWidth, barHeight, parent, horizontal);
    bar_.SetRange(min, max);
    bar_.SetThumbSize(thumbSize);
    bar_.SetCursorResource(horizontal ? "BARHCUR" : "BARVCUR");
    hasBar_ = !(barWidth == 0 && barHeight == 0);

    field_.Create(id + 3, parent, x + fieldDx, y + fieldDy, fieldWidth, fieldHeight, "center", this);
    hasField_ = !(fieldWidth == 0 && fieldHeight == 0);

    const RECT up = upButton_.Rect();
    const RECT down = downButton_.Rect();
    const RECT field = field_.GetRect();
    const RECT bar = bar_.Rect();
    RECT arrows, withField;
    UnionRect(&arrows, &up, &down);
    UnionRect(&withField, &arrows, &field);
    UnionRect(&rect_, &withField, &bar);

    SetValue(static_cast<int>((static_cast<std::int64_t>(max) - min) / 2));

    transparent_ = true;
    liveTyping_ = false;
    created_ = true;
    displayOffset_ = 0;
    SetRedraw(true);
    Show();
}

void MDial::Draw(HDC dc) {
    if (transparent_) return;
    MWnd::Draw(dc);
}

void MDial::Show() {
    if (!created_) return;
    if (hasArrows_) ShowArrows();
    if (hasBar_) bar_.Show();
    if (hasField_) ShowField();
    MWnd::Show();
}

void MDial::Hide() {
    if (!created_) return;
    visible_ = false;
    MWnd::Hide();
    if (hasArrows_) HideArrows();
    if (hasBar_) bar_.Hide();
    if (hasField_) HideField();
}

void MDial::SetRedraw(bool enabled) {
    if (!created_) return;
    MWnd::SetRedraw(enabled);
    upButton_.SetRedraw(enabled);
    downButton_.SetRedraw(enabled);
    field_.SetRedrawFlag(enabled);
    bar_.SetRedraw(enabled);
}

void MDial::SetColors7(COLORREF arrowForeground, COLORREF arrowBackground, COLORREF fieldText,
                       COLORREF fieldBackground, COLORREF barForeground, COLORREF barBackground,
                       COLORREF thumbColour) {
    SetRedraw(false);
    SetColors(fieldBackground, fieldBackground);
    upButton_.SetColors(arrowForeground, arrowBackground);
    downButton_.SetColors(arrowForeground, arrowBackground);
    field_.SetColors(fieldText, fieldBackground);
    bar_.SetColors3(barForeground, barBackground, thumbColour);
    SetRedraw(true);
    if (visible_) Show();
}

void MDial::SetValue(int v) {
    SetValueKeepText(v);
    field_.SetText(FormatInt(ShownFromValue(value_, displayOffset_)));
}

void MDial::SetMax(int max) {
    max_ = max;
    bar_.SetRange(min_, max_);
    if (value_ > max_) SetValue(max_);
}

void MDial::SetValueKeepText(int v) {
    value_ = ClampToRange(v, min_, max_);
    bar_.SetValue(value_);
}

int MDial::GetValue() {
    value_ = ValueFromShown(ParseInt(field_.GetText()), displayOffset_);
    return value_;
}

bool MDial::CtrlDown() const { return (AsyncKeyState(VK_CONTROL) & 0xFF00) != 0; }

void MDial::StepBy(int count) {
    value_ = StepDialValue(value_, count, CtrlDown(), multiplier_, min_, max_);
    // Reached from an arrow's release, so the button is normally up already.
    while (AsyncKeyState(VK_LBUTTON) != 0) Sleep(1);
    SetValue(value_);
}

void MDial::OnChildEvent(int childId) {
    switch (childId - baseId_) {
    case 1: StepBy(+1); break;
    case 2: StepBy(-1); break;
    case 4: SetValue(bar_.GetValue()); break;
    default: break;
    }
}

void MDial::TakeTypedText(const std::string& text) {
    if (!liveTyping_) return;
    // An out-of-range number is replaced by the bound at once; one in range
    // keeps the text as typed.
    int n = ValueFromShown(ParseInt(text), displayOffset_);
    if (n > max_) {
        SetValue(max_);
        n = max_;
    }
    if (n < min_) {
        SetValue(min_);
        n = min_;
    }
    SetValueKeepText(n);
}

void MDial::CommitField() {
    if (GetValue() > max_) SetValue(max_);
    if (GetValue() < min_) SetValue(min_);
    SetValue(ValueFromShown(ParseInt(field_.GetText()), displayOffset_));
}

void MDial::SetFieldFontAndBrush(HFONT font, HBRUSH brush) {
    field_.SetFontObject(font);
    field_.SetBrush(brush);
}

void MDial::SetTransparent(bool transparent) {
    transparent_ = transparent;
    const bool wasVisible = visible_;
    Hide();
    if (wasVisible) Show();
}

void MDial::SetLiveTyping(bool live) {
    liveTyping_ = live;
    field_.SetLive(live);
}

void MDial::ShowArrows() {
    upButton_.Show();
    downButton_.Show();
}

void MDial::HideArrows() {
    upButton_.Hide();
    downButton_.Hide();
}

void MDial::ShowBar() { bar_.Show(); }

void MDial::HideBar() { bar_.Hide(); }

void MDial::ShowField() {
    if (created_) field_.ShowIfRedraw();
}

void MDial::HideField() { field_.HideIfRedraw(); }
