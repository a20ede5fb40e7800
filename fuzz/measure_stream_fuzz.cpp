// The clipboard's measure stream on any bytes (another program may put
// anything under our format's name): a stream shorter than one measure
// changes nothing; a whole one reads all 96 values and stores them back to
// the same 192 bytes, whatever follows them.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "model/byte_io.h"
#include "model/setup.h"

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
    ByteArchive out;
    Require(target.SerializeMeasureSteps(out));
    Require(out.StoredBytes().size() == Measure::kStreamSize);
    Require(std::memcmp(out.StoredBytes().data(), data, Measure::kStreamSize) == 0);
    return 0;
}
