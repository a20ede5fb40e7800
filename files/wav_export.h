// Renders the arrangement to a WAV file through the renderer live playback
// uses: reads and prepares the sounds the cycle plays, plays the planned
// slots block by block, and replaces the target only once the whole file is
// written. Platform-free; the caller decides on which thread it runs.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "playback/export_plan.h"

struct ExportResult {
    enum Status { Written, Cancelled, Failed };
    Status status = Failed;
    std::string message;  // the closing line, or why nothing was written
    int64_t frames = 0;
    uint64_t clipped = 0;
};

// Told the fraction done (0 to 1) now and then; returning false cancels.
using ExportProgress = std::function<bool(double fraction)>;

// What the file holds: one cycle and the tails of its last sounds, or
// exactly one cycle as it sounds while the arrangement goes round, so that
// the file repeated sounds as playback does.
enum class ExportShape { CycleWithTails, Loop };

// `soundPaths` are the files of the sound list, in sound-index order; only
// those the plan uses are read.
ExportResult ExportWav(const ExportPlan& plan, const std::vector<std::string>& soundPaths, const std::string& outPath,
                       const ExportProgress& progress, ExportShape shape = ExportShape::CycleWithTails);

// Where a message is shown: the window's notice takes Windows-1252 text; a
// console or a redirected stream may read any code page, so it gets ASCII.
enum class ShownIn { Notice, Stream };

// "Exported 1:52 to PATH — 0 samples clipped", or "Exported a loop of 1:52 to
// ..."; for a notice the dash is the Windows-1252 byte 0x97, for a stream a hyphen.
std::string ExportClosingMessage(int64_t frames, const std::string& path, uint64_t clipped,
                                 ShownIn shownIn = ShownIn::Notice, ExportShape shape = ExportShape::CycleWithTails);

// Why a cycle could not be planned, or "" when it was.
std::string PlanFailureMessage(PlanOutcome outcome);
