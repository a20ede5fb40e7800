#include "controls/tempo_dial.h"

#include "controls/dial_math.h"
#include "controls/text_format.h"

MTempoDial::MTempoDial() = default;

MTempoDial::~MTempoDial() = default;

void MTempoDial::Create(int id, int x, int y, const std::string& upPrefix, int upDx, int upDy,
                        const std::string& downPrefix, int downDx, int downDy, ControlHost* parent, int fieldDx,
                        int fieldDy, int fieldWidth, int fieldHeight, int min, int reserved, int max,
                        int multiplier, int barDx, int barDy, int barWidth, int barHeight, int thumbSize,
                        bool horizontal) {
    MDial::Create(id, x, y, upPrefix, upDx, upDy, downPrefix, downDx, downDy, parent, fieldDx, fieldDy, fieldWidth,
                  fieldHeight, min, reserved, max, multiplier, barDx, barDy, barWidth, barHeight, thumbSize,
                  horizontal);
    realValue_ = 126.0;
    showDerived_ = 0;
    Display();
}

void MTempoDial::Display() {
    shownText_ = TempoDisplayText(realValue_, showDerived_);
    field_.SetText(shownText_);
    // What the field really holds decides whether a later commit changed it.
    shownValue_ = ParseReal(field_.GetText());
}

void MTempoDial::StepBy(int count) {
    realValue_ = StepTempo(realValue_, count, CtrlDown());
    Display();
}

void MTempoDial::CommitField() {
    float v = ParseReal(field_.GetText());
    if (v == shownValue_) return;
    v = TempoFromTyped(v, showDerived_);
    // Text that is no number reads as 0, and 0 samples per measure is an
    // infinite tempo: what the arrows could not reach is refused, the field
    // shows the tempo again and no commit follows.
    if (!TempoWithinLimits(v)) {
        field_.DropPendingChange();
        Display();
        return;
    }
    realValue_ = v;
    shownValue_ = v;
}

void MTempoDial::SetShowDerived(int mode) {
    showDerived_ = mode;
    Display();
}

void MTempoDial::SetRealValue(double v) {
    realValue_ = v;
    Display();
}
