#include "files/wav_export.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>

#include "audio/prepared_sound.h"
#include "audio/resampling_kernels.h"
#include "audio/voice_renderer.h"
#include "audio/wave_decode.h"
#include "audio/wave_encode.h"
#include "model/atomic_file.h"
#include "model/whole_file.h"
#include "playback/plan_player.h"

namespace {

constexpr size_t kBlockFrames = 4096;
// The export's pitched-up voices take the long kernel on a fine grid; only
// the banks a cycle uses are made.
constexpr int kExportSpeedUpGrid = 256;

ExportResult Failure(std::string message) {
    ExportResult result;
    result.status = ExportResult::Failed;
    result.message = std::move(message);
    return result;
}

const char* const kNoMemory = "Could not export: there is not enough memory for it.";

// Reads and prepares the sounds the plan uses; "" or why it could not.
std::string PrepareSounds(const ExportPlan& plan, const std::vector<std::string>& soundPaths,
                          std::vector<PreparedSound>* sounds) {
    sounds->resize(soundPaths.size());
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < soundPaths.size(); ++i) {
        if (i >= plan.SoundsUsed().size() || !plan.SoundsUsed()[i]) continue;
        if (!ReadWholeFile(soundPaths[i], &bytes))
            return "Could not export: the sound file\n" + soundPaths[i] + "\ncould not be read.";
        WaveData wave;
        if (!LocateWaveData(bytes.data(), bytes.size(), &wave))
            return "Could not export: the sound file\n" + soundPaths[i] + "\nis not a WAV file that can be played.";
        if (!(*sounds)[i].Prepare(wave)) return kNoMemory;
    }
    return "";
}

ExportResult Render(const ExportPlan& cyclePlan, const std::vector<std::string>& soundPaths,
                    const std::string& outPath, const ExportProgress& progress, ExportShape shape) {
    std::vector<PreparedSound> sounds;
    const std::string unprepared = PrepareSounds(cyclePlan, soundPaths, &sounds);
    if (!unprepared.empty()) return Failure(unprepared);
    ExportPlan plan = cyclePlan;
    std::vector<uint32_t> rates;
    for (const PreparedSound& sound : sounds) rates.push_back(sound.Empty() ? kPitchZeroRate : sound.Rate());
    plan.SetSoundRates(std::move(rates));
    if (progress && !progress(0.0)) return ExportResult{ExportResult::Cancelled, "", 0, 0};

    SpeedUpBanks banks(kExportSpeedUpKernel, kExportSpeedUpGrid, false);
    VoiceRenderer renderer(banks);
    renderer.SetSounds(sounds.data(), sounds.size());
    const int64_t cycle = plan.CycleFrames();
    int64_t total = cycle;
    std::unique_ptr<PlanPlayer> player;
    if (shape == ExportShape::Loop) {
        // The second round. Every step restarts its own voice one cycle after
        // it started, so nothing rings for longer than a cycle, and what the
        // first round leaves ringing is what every round leaves.
        player = std::make_unique<PlanPlayer>(plan, renderer);
        player->Skip(cycle);
    } else {
        // The cycle once without rendering, to learn how long its last sounds ring.
        PlanPlayer measure(plan, renderer, cycle);
        measure.Skip(cycle);
        total = cycle + renderer.FramesUntilSilent();
        if (total > kMaxStereoPcm16Frames)
            return Failure("Could not export: the arrangement rings on too long for a WAV file (over 6 hours).");
        renderer.StopAll();
        player = std::make_unique<PlanPlayer>(plan, renderer, cycle);
    }

    AtomicFileWriter writer;
    const std::string writeFailure = "Could not write the WAV file:\n" + outPath +
                                     "\nIs the folder there and writable, is the disk full? Nothing was written.";
    if (!writer.Open(outPath)) return Failure(writeFailure);
    const std::vector<uint8_t> header = StereoPcm16Header(total);
    if (!writer.Write(header.data(), header.size())) return Failure(writeFailure);

    std::vector<float> block(2 * kBlockFrames);
    std::vector<uint8_t> pcm(2 * block.size());
    uint64_t clipped = 0;
    for (int64_t done = 0; done < total;) {
        const size_t frames = static_cast<size_t>(std::min<int64_t>(kBlockFrames, total - done));
        player->Render(block.data(), frames);
        ConvertToPcm16(block.data(), 2 * frames, pcm.data(), &clipped);
        if (!writer.Write(pcm.data(), 4 * frames)) return Failure(writeFailure);
        done += static_cast<int64_t>(frames);
        if (progress && !progress(static_cast<double>(done) / static_cast<double>(total)))
            return ExportResult{ExportResult::Cancelled, "", 0, 0};
    }
    if (!writer.Commit()) return Failure(writeFailure);

    ExportResult result;
    result.status = ExportResult::Written;
    result.frames = total;
    result.clipped = clipped;
    result.message = ExportClosingMessage(total, outPath, clipped, ShownIn::Notice, shape);
    return result;
}

}  // namespace

ExportResult ExportWav(const ExportPlan& plan, const std::vector<std::string>& soundPaths, const std::string& outPath,
                       const ExportProgress& progress, ExportShape shape) {
    try {
        return Render(plan, soundPaths, outPath, progress, shape);
    } catch (const std::bad_alloc&) {
        // Whatever was begun is dropped with its writer: no file is left.
        return Failure(kNoMemory);
    } catch (const std::length_error&) {
        return Failure(kNoMemory);
    }
}

std::string ExportClosingMessage(int64_t frames, const std::string& path, uint64_t clipped, ShownIn shownIn,
                                 ExportShape shape) {
    const int64_t seconds = (frames + kOutputRate / 2) / kOutputRate;
    char length[32];
    if (seconds >= 3600) {
        std::snprintf(length, sizeof length, "%lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                      static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    } else {
        std::snprintf(length, sizeof length, "%lld:%02lld", static_cast<long long>(seconds / 60),
                      static_cast<long long>(seconds % 60));
    }
    char count[64];
    std::snprintf(count, sizeof count, "%llu sample%s clipped", static_cast<unsigned long long>(clipped),
                  clipped == 1 ? "" : "s");
    const char* what = shape == ExportShape::Loop ? "Exported a loop of " : "Exported ";
    const char* dash = shownIn == ShownIn::Notice ? " \x97 " : " - ";
    return std::string(what) + length + " to " + path + dash + count;
}

std::string PlanFailureMessage(PlanOutcome outcome) {
    switch (outcome) {
    case PlanOutcome::UnusableTempo:
        return "Could not export: at this tempo no step falls due. Set a tempo above 0 first.";
    case PlanOutcome::TooLong:
        return "Could not export: one cycle of the arrangement is too long for a WAV file (over 6 hours).";
    default:
        return "";
    }
}
