#include "audio/voice_resampler.h"

#include <algorithm>
#include <cmath>

namespace {

// The interpolation kernel: a windowed sinc whose stopband begins just below
// half the slower of the two rates, so nothing above the output's Nyquist
// frequency folds back and no image of the source's spectrum gets through.
// Kaiser window for about 85 dB of stopband; 48 zero crossings each side
// leave a transition band of about 0.056 of the rate, placed below 0.5.
constexpr int kHalfWidth = 48;
constexpr double kCutoff = 0.47;  // cycles per sample at the slower rate
constexpr double kKaiserBeta = 8.4;
// Table points per unit of the kernel's argument; linear interpolation
// between them keeps the kernel's error near -100 dB.
constexpr int kTableDensity = 512;

constexpr double kPi = 3.14159265358979323846;

double BesselI0(double x) {
    double sum = 1.0, term = 1.0;
    const double quarter = x * x / 4.0;
    for (int k = 1; k < 64 && term > sum * 1e-17; ++k) {
        term *= quarter / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

struct KernelTable {
    std::vector<float> values;  // p(j / density) for j = 0 .. halfWidth × density, then a zero
    KernelTable() {
        const int points = kHalfWidth * kTableDensity;
        values.resize(static_cast<size_t>(points) + 2, 0.0f);
        const double norm = BesselI0(kKaiserBeta);
        for (int j = 0; j <= points; ++j) {
            const double u = static_cast<double>(j) / kTableDensity;
            const double a = 2.0 * kCutoff * u;
            const double sinc = j == 0 ? 1.0 : std::sin(kPi * a) / (kPi * a);
            const double ratio = u / kHalfWidth;
            const double window = BesselI0(kKaiserBeta * std::sqrt(std::max(0.0, 1.0 - ratio * ratio))) / norm;
            values[static_cast<size_t>(j)] = static_cast<float>(sinc * window);
        }
    }
};

const KernelTable& Kernel() {
    static const KernelTable table;
    return table;
}

// The kernel at u kernel units from its centre, u >= 0 (scaled to table points).
inline float KernelAt(const float* table, double points) {
    const size_t index = static_cast<size_t>(points);
    const float fraction = static_cast<float>(points - static_cast<double>(index));
    return table[index] + fraction * (table[index + 1] - table[index]);
}

}  // namespace

int64_t PlayedFrameCount(size_t sourceFrames, int frequency) {
    if (frequency <= 0 || sourceFrames == 0) return 0;
    // Frames n with n × frequency / 44100 < sourceFrames.
    const int64_t scaled = static_cast<int64_t>(sourceFrames) * kOutputRate;
    return (scaled + frequency - 1) / frequency;
}

std::vector<float> ResampleVoice(const SoundFrames& sound, int frequency, int64_t count) {
    const int channels = sound.channels;
    std::vector<float> out;
    // Voices are mono or stereo; anything else plays as nothing.
    if (count <= 0 || channels < 1 || channels > 2 || frequency <= 0) return out;
    out.assign(static_cast<size_t>(count) * static_cast<size_t>(channels), 0.0f);
    const int64_t sourceFrames = static_cast<int64_t>(sound.frames);
    if (sourceFrames == 0) return out;

    if (frequency == kOutputRate) {
        // Read at the output rate: the frames exactly as they are.
        const size_t copied = static_cast<size_t>(std::min(count, sourceFrames)) * static_cast<size_t>(channels);
        std::copy(sound.samples, sound.samples + copied, out.begin());
        return out;
    }

    const float* table = Kernel().values.data();
    // Kernel units per source frame: below 1 when the voice plays faster than
    // the output rate, so the kernel widens and its cutoff follows the output.
    const double g = std::min(1.0, static_cast<double>(kOutputRate) / frequency);
    const double pointsPerFrame = g * kTableDensity;
    const double reach = kHalfWidth / g;
    const float scale = static_cast<float>(2.0 * kCutoff * g);
    const int64_t lastPoint = static_cast<int64_t>(kHalfWidth) * kTableDensity;

    std::vector<float> weights(static_cast<size_t>(2 * reach) + 4);
    for (int64_t n = 0; n < count; ++n) {
        // The read position, exact: n × frequency / 44100.
        const int64_t scaled = n * frequency;
        const int64_t whole = scaled / kOutputRate;
        const double fraction = static_cast<double>(scaled % kOutputRate) / kOutputRate;
        const int64_t reachFrames = static_cast<int64_t>(reach);
        const int64_t first = std::max<int64_t>(0, whole - reachFrames);
        const int64_t last = std::min<int64_t>(sourceFrames - 1, whole + reachFrames + 1);
        if (first > last) continue;  // entirely past the end: silence
        size_t taps = 0;
        for (int64_t k = first; k <= last; ++k) {
            const double distance = std::fabs(static_cast<double>(whole - k) + fraction);
            const double points = distance * pointsPerFrame;
            weights[taps++] = points < static_cast<double>(lastPoint) ? scale * KernelAt(table, points) : 0.0f;
        }
        float* target = out.data() + static_cast<size_t>(n) * static_cast<size_t>(channels);
        const float* source = sound.samples + static_cast<size_t>(first) * static_cast<size_t>(channels);
        if (channels == 1) {
            float sum = 0.0f;
            for (size_t i = 0; i < taps; ++i) sum += weights[i] * source[i];
            target[0] = sum;
        } else {
            float left = 0.0f, right = 0.0f;
            for (size_t i = 0; i < taps; ++i) {
                left += weights[i] * source[2 * i];
                right += weights[i] * source[2 * i + 1];
            }
            target[0] = left;
            target[1] = right;
        }
    }
    return out;
}
