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

// Read positions between two source frames with weights of their own.
constexpr int kPhases = 512;

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

// Four sums side by side, so the additions do not wait on one another.
inline float Dot(const float* w, const float* x, int n) {
    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += w[i] * x[i];
        s1 += w[i + 1] * x[i + 1];
        s2 += w[i + 2] * x[i + 2];
        s3 += w[i + 3] * x[i + 3];
    }
    for (; i < n; ++i) s0 += w[i] * x[i];
    return (s0 + s1) + (s2 + s3);
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

    // Polyphase: the kernel's weights for 512 read positions between two
    // source frames, computed once; a position between two of them takes
    // the mix of both sums. The source is padded with silence on both sides,
    // so every output frame uses the same number of taps.
    const float* table = Kernel().values.data();
    // Kernel units per source frame: below 1 when the voice plays faster than
    // the output rate, so the kernel widens and its cutoff follows the output.
    const double g = std::min(1.0, static_cast<double>(kOutputRate) / frequency);
    const int reach = static_cast<int>(std::ceil(kHalfWidth / g));
    const int taps = 2 * reach;
    const double scale = 2.0 * kCutoff * g;
    const double lastPoint = static_cast<double>(kHalfWidth) * kTableDensity;
    std::vector<float> bank(static_cast<size_t>(kPhases + 1) * static_cast<size_t>(taps));
    for (int q = 0; q <= kPhases; ++q) {
        float* row = bank.data() + static_cast<size_t>(q) * static_cast<size_t>(taps);
        for (int j = 0; j < taps; ++j) {
            // Tap j reads the frame `reach - 1 - j` frames before the read position.
            const double distance = std::fabs(static_cast<double>(q) / kPhases + (reach - 1 - j));
            const double points = distance * g * kTableDensity;
            row[j] = points < lastPoint ? static_cast<float>(scale * KernelAt(table, points)) : 0.0f;
        }
    }
    // Frames up to `reach` past the end are still read while the first tap is in the sound.
    const size_t padded = static_cast<size_t>(sourceFrames) + 3 * static_cast<size_t>(reach) + 2;
    std::vector<float> lanes(static_cast<size_t>(channels) * padded, 0.0f);
    for (int c = 0; c < channels; ++c) {
        float* lane = lanes.data() + static_cast<size_t>(c) * padded + reach;
        for (int64_t i = 0; i < sourceFrames; ++i) lane[i] = sound.samples[static_cast<size_t>(i) * channels + c];
    }

    for (int64_t n = 0; n < count; ++n) {
        // The read position, exact: n × frequency / 44100.
        const int64_t scaled = n * frequency;
        const int64_t whole = scaled / kOutputRate;
        if (whole - reach + 1 >= sourceFrames) break;  // past the end with every tap: silence
        const double phase = static_cast<double>(scaled % kOutputRate) * kPhases / kOutputRate;
        const int q = static_cast<int>(phase);
        const float blend = static_cast<float>(phase - q);
        const float* before = bank.data() + static_cast<size_t>(q) * static_cast<size_t>(taps);
        const float* after = before + taps;
        for (int c = 0; c < channels; ++c) {
            // First tap: frame whole - reach + 1, which sits at `whole + 1` in the padded lane.
            const float* x = lanes.data() + static_cast<size_t>(c) * padded + static_cast<size_t>(whole + 1);
            const float a = Dot(before, x, taps), b = Dot(after, x, taps);
            out[static_cast<size_t>(n) * static_cast<size_t>(channels) + c] = a + blend * (b - a);
        }
    }
    return out;
}
