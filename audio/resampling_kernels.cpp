#include "audio/resampling_kernels.h"

#include <algorithm>
#include <cmath>

#include "audio/output_format.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// Table points per input point for the kernels tabulated once; linear
// interpolation between them keeps the kernel's error near -100 dB.
constexpr int kTableDensity = 512;

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    const double quarter = x * x / 4.0;
    for (int k = 1; k < 64 && term > sum * 1e-17; ++k) {
        term *= quarter / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

}  // namespace

double KernelValue(const KernelDesign& design, double distance) {
    const double u = std::fabs(distance);
    if (u >= design.halfWidth) return 0.0;
    const double a = 2.0 * design.cutoff * u;
    const double sinc = a == 0.0 ? 1.0 : std::sin(kPi * a) / (kPi * a);
    const double ratio = u / design.halfWidth;
    const double window = BesselI0(design.beta * std::sqrt(1.0 - ratio * ratio)) / BesselI0(design.beta);
    return 2.0 * design.cutoff * sinc * window;
}

// One kernel tabulated densely, so that many banks of it are made quickly.
class KernelTable {
public:
    explicit KernelTable(const KernelDesign& design) : halfWidth_(design.halfWidth) {
        const int points = design.halfWidth * kTableDensity;
        values_.resize(static_cast<size_t>(points) + 2, 0.0f);
        for (int j = 0; j <= points; ++j)
            values_[static_cast<size_t>(j)] = static_cast<float>(KernelValue(design, static_cast<double>(j) / kTableDensity));
    }
    double At(double distance) const {
        const double points = std::fabs(distance) * kTableDensity;
        if (points >= static_cast<double>(halfWidth_) * kTableDensity) return 0.0;
        const size_t index = static_cast<size_t>(points);
        const double fraction = points - static_cast<double>(index);
        return values_[index] + fraction * (values_[index + 1] - values_[index]);
    }

private:
    int halfWidth_;
    std::vector<float> values_;
};

PolyphaseBank::PolyphaseBank(const KernelDesign& design, double stretch, int phases) {
    const KernelTable table(design);
    Fill(design.halfWidth, stretch, phases, [&](double distance) { return table.At(distance); });
}

PolyphaseBank::PolyphaseBank(const KernelTable& table, int halfWidth, double stretch) {
    Fill(halfWidth, stretch, kKernelPhases, [&](double distance) { return table.At(distance); });
}

template <class Kernel>
void PolyphaseBank::Fill(int halfWidth, double stretch, int phases, Kernel kernel) {
    // Widened by the stretch, the kernel reaches that much further and its
    // cutoff drops by as much; its gain stays one.
    reach_ = static_cast<int>(std::ceil(halfWidth * stretch));
    const int used = 2 * reach_;
    taps_ = (used + 3) / 4 * 4;
    weights_.assign(static_cast<size_t>(phases + 2) * 2 * static_cast<size_t>(taps_), 0.0f);
    for (int q = 0; q <= phases + 1; ++q) {
        float* row = weights_.data() + static_cast<size_t>(q) * 2 * static_cast<size_t>(taps_);
        const double phase = static_cast<double>(q) / phases;
        for (int j = 0; j < used; ++j) {
            const double distance = phase + (reach_ - 1 - j);
            row[j] = static_cast<float>(kernel(distance / stretch) / stretch);
        }
    }
    for (int q = 0; q <= phases; ++q) {
        float* row = weights_.data() + static_cast<size_t>(q) * 2 * static_cast<size_t>(taps_);
        for (int j = 0; j < taps_; ++j) row[taps_ + j] = row[2 * taps_ + j] - row[j];
    }
}

SpeedUpBanks::SpeedUpBanks(const KernelDesign& design, int gridSteps, bool makeAllNow)
    : design_(design), gridSteps_(gridSteps), table_(std::make_unique<KernelTable>(design)) {
    banks_.resize(Index(kMaxVoiceFrequency) + 1);
    if (makeAllNow) {
        for (size_t i = 0; i < banks_.size(); ++i) Make(i);
    }
}

SpeedUpBanks::~SpeedUpBanks() = default;

size_t SpeedUpBanks::Index(int frequency) const {
    // The stretch frequency / 44100 rounded up to the grid: a little more
    // stretch than needed only lowers the cutoff a little.
    const int64_t scaled = static_cast<int64_t>(frequency) * gridSteps_;
    const int64_t steps = (scaled + kOutputRate - 1) / kOutputRate;
    return static_cast<size_t>(std::max<int64_t>(0, steps - gridSteps_));
}

const PolyphaseBank& SpeedUpBanks::Make(size_t index) {
    if (!banks_[index]) {
        const double stretch = static_cast<double>(gridSteps_ + static_cast<int>(index)) / gridSteps_;
        banks_[index] = std::make_unique<PolyphaseBank>(*table_, design_.halfWidth, stretch);
    }
    return *banks_[index];
}

const PolyphaseBank& SpeedUpBanks::ForFrequency(int frequency) {
    return Make(std::min(Index(frequency), banks_.size() - 1));
}
