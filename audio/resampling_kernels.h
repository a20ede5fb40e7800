// The interpolation kernels a voice reads its sound with, as polyphase weight
// tables: windowed sincs (Kaiser windows), so that a pitched sound brings no
// aliases (pitching up) and no images (pitching down) into the audible band.
//
// A sound is kept twice as densely as it is stored (its frames and the points
// half-way between them, made once when it is loaded with a long half-band
// kernel). A voice that plays at 44.1 kHz or slower reads that dense signal,
// whose spectrum fills only its lower half, so a short kernel with a wide
// transition band suffices and the cost per output frame does not depend on
// the pitch. A faster voice must cut off at the output's Nyquist frequency,
// below the sound's own: it reads the stored frames with a kernel widened by
// the speed-up, quantized to a grid so that a few tables serve every pitch.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "audio/sound_maps.h"

// The fastest a voice plays.
constexpr int kMaxVoiceFrequency = kFrequencyMax;

// A windowed sinc: `halfWidth` zero crossings each side of the centre (in
// units of the slower rate), its -6 dB point at `cutoff` cycles per sample.
struct KernelDesign {
    int halfWidth;
    double cutoff;
    double beta;  // Kaiser window shape: larger, a deeper stopband and a wider transition
};

// The half-band kernel that makes the points between a sound's frames.
constexpr KernelDesign kHalfBandKernel{48, 0.5, 8.4};
// Reading the dense signal (2 points per frame, content below 0.264 of its
// rate, images from 0.736 up): passband to 0.264, stopband from 0.736. Eight
// taps on frames and eight on midpoints: two vectors of four each.
constexpr KernelDesign kDenseKernel{8, 0.5, 9.0};
constexpr int kDenseTaps = 2 * kDenseKernel.halfWidth;
// Pitched up, as the export plays it: a transition band of about 0.056 of the
// output rate below its Nyquist frequency, about 85 dB of stopband.
constexpr KernelDesign kExportSpeedUpKernel{48, 0.47, 8.4};
// Pitched up, as live playback plays it: shorter, so that many pitched voices
// fit the mix thread's time: about 70 dB of stopband, passband to about 0.37.
constexpr KernelDesign kLiveSpeedUpKernel{16, 0.435, 6.8};

// Read positions between two input points with weights of their own; a
// position between two of them takes the linear blend of both rows.
constexpr int kKernelPhases = 256;
// The dense signal is read with so many more phases that the nearest serves
// without a blend: its timing error, 1/8192 of a point at most, leaves any
// tone's error below -78 dB.
constexpr int kDensePhases = 4096;

// Weights for reading one input at fractional positions: row q (0..phases)
// holds the `taps` weights for a position q / phases past input point i; tap
// j weighs point i - reach + 1 + j. Rows are padded with zero weights to a
// multiple of four taps, and each has beside it its step to the next row, so
// a position between two rows is one multiply-add per tap.
class KernelTable;

class PolyphaseBank {
public:
    // `stretch` >= 1 widens the kernel (and lowers its cutoff) by that factor:
    // the speed-up of a voice that plays faster than the output rate.
    PolyphaseBank(const KernelDesign& design, double stretch, int phases = kKernelPhases);
    PolyphaseBank(const KernelTable& table, int halfWidth, double stretch);

    int Taps() const { return taps_; }
    // Points before the read position's whole point that the first tap reads.
    int Reach() const { return reach_; }
    const float* Row(int phase) const { return weights_.data() + static_cast<size_t>(phase) * 2 * taps_; }
    // Row(phase + 1) - Row(phase).
    const float* Step(int phase) const { return Row(phase) + taps_; }

private:
    template <class Kernel>
    void Fill(int halfWidth, double stretch, int phases, Kernel kernel);

    int taps_ = 0;
    int reach_ = 0;
    std::vector<float> weights_;
};

// The kernel of a design at `distance` input points from its centre, scaled
// to unit gain; 0 beyond its half width. For the half-band points of a sound.
double KernelValue(const KernelDesign& design, double distance);

// The banks for voices faster than the output rate, one per step of the
// speed-up grid. Either made all at once (live playback: the mix thread must
// never allocate) or each when first asked for (the export, which may).
class SpeedUpBanks {
public:
    SpeedUpBanks(const KernelDesign& design, int gridSteps, bool makeAllNow);
    ~SpeedUpBanks();
    SpeedUpBanks(const SpeedUpBanks&) = delete;
    SpeedUpBanks& operator=(const SpeedUpBanks&) = delete;
    // The bank for a voice read at `frequency` Hz (above 44100, at most the
    // highest voice frequency). Allocates only when not made at construction.
    const PolyphaseBank& ForFrequency(int frequency);

private:
    size_t Index(int frequency) const;
    const PolyphaseBank& Make(size_t index);

    KernelDesign design_;
    int gridSteps_;
    std::unique_ptr<KernelTable> table_;
    std::vector<std::unique_ptr<PolyphaseBank>> banks_;
};
