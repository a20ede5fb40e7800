// Drives the sound engine from a script so that end-to-end tests can record
// what DirectSound really plays and compare it with what was asked.
//
//   engine_probe SCRIPT
//
// Script lines (one command each, '#' starts a comment):
//   dir FOLDER            the sound directory
//   sound NAME            appends a file name to the sound list
//   load                  LoadSoundBank
//   assign M S SOUND      AssignSound
//   set M S FIELD VALUE   FIELD is pitch, volume or pan
//   master PERCENT        the master volume
//   masterpitch SEMITONES the master pitch, retuning the voices that sound
//   mute 0|1              mute (silences playing voices) or un-mute (restores them)
//   ownrate 0|1           sounds at their own rate, from the next trigger
//   trigger M S | stop M S | killall
//   sleep MS
//   mark LABEL            prints "MARK LABEL <ms since start>"
//   playing M S           prints "PLAYING M S 0|1"
// Notices are printed as "NOTE <text>" instead of being shown.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "ui/notice.h"
#include "audio/sound_engine.h"

namespace {
LARGE_INTEGER start, frequency;

double MillisecondsSinceStart() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

void PrintNote(const char* text) {
    std::printf("NOTE %s\n", text);
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: engine_probe SCRIPT\n");
        return 2;
    }
    std::ifstream script(argv[1]);
    if (!script) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 2;
    }
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    SetNoteSink(PrintNote);

    HWND window = CreateWindowA("STATIC", "engine probe", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    Setup setup;
    SoundEngine engine;
    if (!engine.Init(setup, window)) return 3;

    std::string line;
    int lineNumber = 0;
    while (std::getline(script, line)) {
        ++lineNumber;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string command;
        if (!(words >> command)) continue;
        int m = 0, s = 0, value = 0;
        std::string text;
        if (command == "dir") {
            std::getline(words >> std::ws, setup.soundDir);
        } else if (command == "sound") {
            std::getline(words >> std::ws, text);
            setup.soundNames.push_back(text);
        } else if (command == "load") {
            engine.ReleaseSoundBank();
            engine.LoadSoundBank();
        } else if (command == "assign" && words >> m >> s >> value) {
            engine.AssignSound(m, s, value);
        } else if (command == "set" && words >> m >> s >> text >> value) {
            Step& step = setup.StepAddress(m, s);
            if (text == "pitch") step.pitch = static_cast<int16_t>(value);
            else if (text == "volume") step.volume = static_cast<int16_t>(value);
            else if (text == "pan") step.pan = static_cast<int16_t>(value);
            else return std::fprintf(stderr, "line %d: unknown field %s\n", lineNumber, text.c_str()), 2;
        } else if (command == "master" && words >> value) {
            setup.masterVolume = static_cast<int16_t>(value);
        } else if (command == "masterpitch" && words >> value) {
            setup.masterPitch.ExchangeOrdered(static_cast<int16_t>(value));
            engine.RetunePlayingVoices();
        } else if (command == "mute" && words >> value) {
            setup.muted = value;
            if (value) engine.SilencePlayingVoices();
            else engine.ReapplyVolumes();
        } else if (command == "ownrate" && words >> value) {
            setup.ownRate = static_cast<uint8_t>(value != 0);
        } else if (command == "trigger" && words >> m >> s) {
            engine.Trigger(m, s);
        } else if (command == "stop" && words >> m >> s) {
            engine.StopVoice(m, s);
        } else if (command == "killall") {
            engine.KillAllSound();
        } else if (command == "sleep" && words >> value) {
            Sleep(static_cast<DWORD>(value));
        } else if (command == "mark" && words >> text) {
            std::printf("MARK %s %.3f\n", text.c_str(), MillisecondsSinceStart());
        } else if (command == "playing" && words >> m >> s) {
            std::printf("PLAYING %d %d %d\n", m, s, engine.IsVoicePlaying(m, s) ? 1 : 0);
        } else {
            std::fprintf(stderr, "line %d: cannot read '%s'\n", lineNumber, line.c_str());
            return 2;
        }
        std::fflush(stdout);
    }
    engine.ReleaseSoundBank();
    DestroyWindow(window);
    return 0;
}
