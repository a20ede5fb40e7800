// Times the export of a setup file's cycle inside one process, as the command
// line runs it (read the setup file, find and decode the sounds, plan, mix,
// write the WAV file), and the mixing alone into memory. Prints the figures
// and the speed against real time; not a test.
//     export_bench SETUP-FILE OUT.wav [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/export_command.h"
#include "audio/export_mixer.h"
#include "audio/wave_decode.h"
#include "audio/wave_encode.h"
#include "files/sound_library.h"
#include "model/setup_file.h"
#include "playback/export_plan.h"

namespace {
double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        uint8_t buffer[65536];
        size_t got;
        while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + got);
        std::fclose(file);
    }
    return bytes;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}
}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: export_bench SETUP-FILE OUT.wav [ROUNDS]\n");
        return 2;
    }
    const int rounds = argc > 3 ? std::max(1, std::atoi(argv[3])) : 7;

    // What the mixing alone is given: the decoded sounds and the plan.
    Setup setup;
    if (!ReadSetupFile(setup, argv[1], nullptr)) return 1;
    setup.soundDirTitle = FileTitleOf(setup.soundDir);
    std::string folder;
    std::vector<std::string> names;
    if (!FindSoundFolder(setup, &folder, &names)) return 1;
    std::vector<DecodedWave> decoded(names.size());
    std::vector<SoundFrames> sounds(names.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const std::vector<uint8_t> bytes = ReadFileBytes(folder + "\\" + names[i]);
        DecodeWave(bytes.data(), bytes.size(), &decoded[i]);
        sounds[i] = {decoded[i].channels, decoded[i].samples.data(), decoded[i].FrameCount()};
    }
    ExportPlan plan;
    PlanExport(setup, static_cast<int>(names.size()), &plan);

    std::vector<double> whole, mixing;
    double seconds = 0;
    for (int round = 0; round < rounds; ++round) {
        const double start = Now();
        const int code = RunCommandLineExport({argv[1], argv[2]});
        whole.push_back(Now() - start);
        if (code != 0) return code;

        const double mixStart = Now();
        ExportMixer mixer(sounds, plan.voices, plan.cycleFrames);
        std::vector<float> block(2 * 16384);
        std::vector<uint8_t> pcm(4 * 16384);
        uint64_t clipped = 0;
        while (size_t frames = mixer.Mix(block.data(), 16384)) ConvertToPcm16(block.data(), 2 * frames, pcm.data(), &clipped);
        mixing.push_back(Now() - mixStart);
        seconds = static_cast<double>(mixer.TotalFrames()) / kOutputRate;
    }
    std::printf("%d voices, %.2f s of audio, %d rounds\n", static_cast<int>(plan.voices.size()), seconds, rounds);
    std::printf("whole export: median %.1f ms (%.0fx real time), fastest %.1f ms, slowest %.1f ms\n",
                1000 * Median(whole), seconds / Median(whole), 1000 * *std::min_element(whole.begin(), whole.end()),
                1000 * *std::max_element(whole.begin(), whole.end()));
    std::printf("mixing alone: median %.1f ms (%.0fx real time)\n", 1000 * Median(mixing), seconds / Median(mixing));
    return 0;
}
