// The clipboard's measure stream on any bytes (another program may put
// anything under our format's name): a stream shorter than one measure
// changes nothing; a whole one reads all 96 values, each brought into its
// range (a value within it unchanged), and stores them back as the same
// 192 bytes when they all were within range, whatever follows them.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/byte_io.h"
#include "model/setup.h"
#include "model/value_ranges.h"

namespace {
void Require(bool condition) {
    if (!condition) std::abort();
}

bool SameValues(const Measure& a, const Measure& b) {
    for (int j = 0; j < Measure::kStepCount; ++j) {
        const Step& x = a.steps[j];
        const Step& y = b.steps[j];
        if (x.on != y.on || x.pitch != y.pitch || x.sound != y.sound || x.volume != y.volume || x.pan != y.pan ||
            x.aux != y.aux)
            return false;
    }
    return a.nextMeasure == b.nextMeasure && a.repeatCount == b.repeatCount;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const Setup reference;
    const Measure& before = reference.measures[3];
    Setup setup;
    Measure& target = setup.measures[3];
    ByteArchive in(data, size);
    const bool read = target.SerializeMeasureSteps(in);
    Require(read == (size >= Measure::kStreamSize));
    if (!read) {
        Require(SameValues(target, before));
        return 0;
    }
    Require(target.nextMeasure == before.nextMeasure && target.repeatCount == before.repeatCount);
    bool allInRange = true;
    for (int j = 0; j < Measure::kStepCount; ++j) {
        int16_t raw[6];
        for (int k = 0; k < 6; ++k)
            raw[k] = static_cast<int16_t>(data[12 * j + 2 * k] | data[12 * j + 2 * k + 1] << 8);
        const StepValues given = {raw[0], raw[1], raw[2], raw[3], raw[4], raw[5]};
        const StepValues ranged = StepValuesInRange(given);
        const Step& step = target.steps[j];
        Require(step.on == ranged.on && step.pitch == ranged.pitch && step.sound == ranged.sound &&
                step.volume == ranged.volume && step.pan == ranged.pan && step.aux == ranged.aux);
        allInRange = allInRange && std::memcmp(&given, &ranged, sizeof given) == 0;
    }
    ByteArchive out;
    Require(target.SerializeMeasureSteps(out));
    Require(out.StoredBytes().size() == Measure::kStreamSize);
    if (allInRange) Require(std::memcmp(out.StoredBytes().data(), data, Measure::kStreamSize) == 0);
    // What was stored reads back as it is.
    Setup again;
    ByteArchive back(out.StoredBytes().data(), out.StoredBytes().size());
    Require(again.measures[3].SerializeMeasureSteps(back) && SameValues(again.measures[3], target));
    return 0;
}
