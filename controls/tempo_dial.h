// The tempo dial: a real number stepped by a semitone (an octave with Ctrl),
// kept within [0.5, 10,000,000] by the arrows and by typing, and shown either
// as beats per minute or as the derived 5,292,000 / tempo. Its integer value
// is unused.
#pragma once

#include <string>

#include "controls/dial.h"

class MTempoDial : public MDial {
public:
    MTempoDial();
    ~MTempoDial() override;

    // As MDial::Create; the tempo starts at 126 in beats per minute.
    void Create(int id, int x, int y, const std::string& upPrefix, int upDx, int upDy,
                const std::string& downPrefix, int downDx, int downDy, ControlHost* parent, int fieldDx,
                int fieldDy, int fieldWidth, int fieldHeight, int min, int reserved, int max, int multiplier,
                int barDx, int barDy, int barWidth, int barHeight, int thumbSize, bool horizontal);

    // Takes the typed number unless the text still reads as what was shown;
    // a tempo outside [0.5, 10,000,000] (or none) is refused and the field
    // shows the tempo again.
    void CommitField() override;
    void StepBy(int count) override;

    // Writes the tempo in the current unit into the field.
    void Display();
    // 1: the derived unit; any other value: beats per minute.
    void SetShowDerived(int mode);
    int ShowDerived() const { return showDerived_; }
    void SetRealValue(double v);
    double GetRealValue() const { return realValue_; }
    double ShownValue() const { return shownValue_; }
    const std::string& ShownText() const { return shownText_; }

private:
    double realValue_ = 126.0;
    double shownValue_ = 0.0;
    std::string shownText_;
    int showDerived_ = 0;
};
