#include "controls/dial_math.h"

#include <climits>
#include <cmath>

#include "controls/text_format.h"

namespace {
int Saturate(std::int64_t v) {
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}
}  // namespace

int ClampToRange(std::int64_t v, int min, int max) {
    if (v > max) v = max;
    if (v < min) v = min;
    return static_cast<int>(v);
}

int StepDialValue(int value, int count, bool ctrlDown, int multiplier, int min, int max) {
    std::int64_t step = static_cast<std::int16_t>(count);
    if (ctrlDown) step *= multiplier;
    return ClampToRange(static_cast<std::int64_t>(value) + step, min, max);
}

int ShownFromValue(int value, int displayOffset) {
    return Saturate(static_cast<std::int64_t>(value) + displayOffset);
}

int ValueFromShown(int shown, int displayOffset) {
    return Saturate(static_cast<std::int64_t>(shown) - displayOffset);
}

int TruncateToInt16(double x) {
    std::int32_t whole = INT_MIN;
    if (x > -2147483649.0 && x < 2147483648.0) whole = static_cast<std::int32_t>(x);
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(whole & 0xFFFF));
}

int BarFilledLength(int value, int min, int max, int length) {
    const std::int64_t span = static_cast<std::int64_t>(max) - min;
    if (span == 0) return 0;
    const double fraction = static_cast<double>(static_cast<std::int64_t>(value) - min) / static_cast<double>(span);
    return TruncateToInt16(fraction * length);
}

int BarValueAt(int offset, int length, int min, int max) {
    if (offset < 0) return min;
    if (offset > length) return max;
    if (length == 0) return min;
    const std::int64_t span = static_cast<std::int64_t>(max) - min;
    const double product = static_cast<double>(offset) / length * static_cast<double>(span);
    return Saturate(static_cast<std::int64_t>(product) + min);
}

double StepTempo(double tempo, int count, bool ctrlDown) {
    const double ratio = ctrlDown ? kOctaveRatio : kSemitoneRatio;
    const std::int16_t step = static_cast<std::int16_t>(count);
    if (step == 1) {
        tempo = tempo * ratio;
    } else if (step == -1) {
        tempo = tempo / ratio;
    }
    if (tempo > kTempoMax) {
        tempo = kTempoMax;
    } else if (!(tempo >= kTempoMin)) {
        tempo = kTempoMin;
    }
    return tempo;
}

std::string TempoDisplayText(double tempo, int showDerived) {
    return FormatReal(NarrowToFloat(showDerived == 1 ? kDerivedPerTempo / tempo : tempo));
}

float TempoFromTyped(float typed, int showDerived) {
    if (showDerived != 1) return typed;
    return 44100.0f / typed * 120.0f;
}

bool TempoWithinLimits(double tempo) { return tempo >= kTempoMin && tempo <= kTempoMax; }
