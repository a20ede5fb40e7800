#include "files/wav_export.h"

#include <cstdio>
#include <memory>
#include <new>

#include "audio/export_mixer.h"
#include "audio/wave_decode.h"
#include "audio/wave_encode.h"
#include "model/atomic_file.h"

namespace {

constexpr size_t kBlockFrames = 16384;

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    bytes->clear();
    uint8_t buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes->insert(bytes->end(), buffer, buffer + got);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

ExportResult Failure(std::string message) {
    ExportResult result;
    result.status = ExportResult::Failed;
    result.message = std::move(message);
    return result;
}

ExportResult Render(const ExportPlan& plan, const std::vector<std::string>& soundPaths, const std::string& outPath,
                    const ExportProgress& progress) {
    std::vector<DecodedWave> decoded(soundPaths.size());
    std::vector<SoundFrames> sounds(soundPaths.size());
    std::vector<uint8_t> bytes;
    for (size_t i = 0; i < soundPaths.size(); ++i) {
        if (i >= plan.soundsUsed.size() || !plan.soundsUsed[i]) continue;
        if (!ReadWholeFile(soundPaths[i], &bytes))
            return Failure("Could not export: the sound file\n" + soundPaths[i] + "\ncould not be read.");
        if (!DecodeWave(bytes.data(), bytes.size(), &decoded[i]))
            return Failure("Could not export: the sound file\n" + soundPaths[i] + "\nis not a WAV file that can be played.");
        sounds[i] = {decoded[i].channels, decoded[i].samples.data(), decoded[i].FrameCount()};
    }
    if (progress && !progress(0.0)) return ExportResult{ExportResult::Cancelled, "", 0, 0};

    ExportMixer mixer(sounds, plan.voices, plan.cycleFrames);
    const int64_t total = mixer.TotalFrames();
    if (total > kMaxStereoPcm16Frames)
        return Failure("Could not export: the arrangement rings on too long for a WAV file (over 6 hours).");

    AtomicFileWriter writer;
    const std::string writeFailure = "Could not write the WAV file:\n" + outPath +
                                     "\nIs the folder there and writable, is the disk full? Nothing was written.";
    if (!writer.Open(outPath)) return Failure(writeFailure);
    const std::vector<uint8_t> header = StereoPcm16Header(total);
    if (!writer.Write(header.data(), header.size())) return Failure(writeFailure);

    std::vector<float> block(2 * kBlockFrames);
    std::vector<uint8_t> pcm(2 * block.size());
    uint64_t clipped = 0;
    while (size_t frames = mixer.Mix(block.data(), kBlockFrames)) {
        ConvertToPcm16(block.data(), 2 * frames, pcm.data(), &clipped);
        if (!writer.Write(pcm.data(), 4 * frames)) return Failure(writeFailure);
        if (progress && !progress(static_cast<double>(mixer.Position()) / static_cast<double>(total)))
            return ExportResult{ExportResult::Cancelled, "", 0, 0};
    }
    if (!writer.Commit()) return Failure(writeFailure);

    ExportResult result;
    result.status = ExportResult::Written;
    result.frames = total;
    result.clipped = clipped;
    result.message = ExportClosingMessage(total, outPath, clipped);
    return result;
}

}  // namespace

ExportResult ExportWav(const ExportPlan& plan, const std::vector<std::string>& soundPaths, const std::string& outPath,
                       const ExportProgress& progress) {
    try {
        return Render(plan, soundPaths, outPath, progress);
    } catch (const std::bad_alloc&) {
        // Whatever was begun is dropped with its writer: no file is left.
        return Failure("Could not export: there is not enough memory for it.");
    }
}

std::string ExportClosingMessage(int64_t frames, const std::string& path, uint64_t clipped, ShownIn shownIn) {
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
    const char* dash = shownIn == ShownIn::Notice ? " \x97 " : " - ";
    return std::string("Exported ") + length + " to " + path + dash + count;
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
