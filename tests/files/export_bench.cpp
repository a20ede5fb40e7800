// Times the export of a setup file's cycle inside one process, as the command
// line runs it (read the setup file, find and prepare the sounds, plan,
// render, write the WAV file): the speed against real time, the peak memory,
// and how soon a cancel is answered. Prints the figures; not a test.
//     export_bench SETUP-FILE OUT.wav [ROUNDS] [loop]
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/export_command.h"
#include "files/sound_library.h"
#include "files/wav_export.h"
#include "model/setup_file.h"
#include "playback/export_plan.h"

namespace {
double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double PeakMegabytes() {
    PROCESS_MEMORY_COUNTERS counters = {};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: export_bench SETUP-FILE OUT.wav [ROUNDS] [loop]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;
    const ExportShape shape = argc > 4 && std::strcmp(argv[4], "loop") == 0 ? ExportShape::Loop : ExportShape::CycleWithTails;

    Setup setup;
    if (!ReadSetupFile(setup, argv[1], nullptr)) return 1;
    setup.soundDirTitle = FileTitleOf(setup.soundDir);
    std::string folder;
    std::vector<std::string> names;
    if (!FindSoundFolder(setup, &folder, &names)) return 1;
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(PathInFolder(folder, name));
    const double before = PeakMegabytes();

    std::vector<double> whole;
    double seconds = 0;
    for (int round = 0; round < rounds; ++round) {
        const double start = Now();
        ExportPlan plan;
        if (PlanExport(setup, static_cast<int>(names.size()), &plan) != PlanOutcome::Planned) return 1;
        const ExportResult result = ExportWav(plan, paths, argv[2], nullptr, shape);
        whole.push_back(Now() - start);
        if (result.status != ExportResult::Written) {
            std::printf("%s\n", result.message.c_str());
            return 1;
        }
        seconds = static_cast<double>(result.frames) / 44100.0;
    }
    const double peak = PeakMegabytes();

    // Cancelled a third of the way in (or after half a second): how long until it returns.
    ExportPlan plan;
    PlanExport(setup, static_cast<int>(names.size()), &plan);
    double cancelledAt = 0;
    const double start = Now();
    ExportWav(plan, paths, argv[2], [&](double fraction) {
        if (cancelledAt == 0 && (fraction > 0.33 || Now() - start > 0.5)) cancelledAt = Now();
        return cancelledAt == 0;
    }, shape);
    const double answered = cancelledAt > 0 ? Now() - cancelledAt : 0;

    std::printf("%.2f s of audio, %d rounds\n", seconds, rounds);
    std::printf("whole export: median %.1f ms (%.0fx real time), fastest %.1f ms, slowest %.1f ms\n",
                1000 * Median(whole), seconds / Median(whole), 1000 * *std::min_element(whole.begin(), whole.end()),
                1000 * *std::max_element(whole.begin(), whole.end()));
    std::printf("peak working set: %.1f MB (%.1f MB before exporting)\n", peak, before);
    std::printf("cancel answered after %.1f ms\n", 1000 * answered);
    return 0;
}
