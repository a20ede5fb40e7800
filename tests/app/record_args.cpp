// Stands in for the program a test has another program start: writes the
// command line it was given, byte for byte, to the file named by the
// environment variable STEPFORGE_RECORD_ARGS (else %TEMP%\stepforge-record-args.txt).
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char target[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("STEPFORGE_RECORD_ARGS", target, MAX_PATH)) {
        GetTempPathA(MAX_PATH, target);
        lstrcatA(target, "stepforge-record-args.txt");
    }
    // Written aside and renamed, so a reader never sees half a line.
    const std::string part = std::string(target) + ".part";
    FILE* out = std::fopen(part.c_str(), "wb");
    if (!out) return 1;
    const char* line = GetCommandLineA();
    std::fwrite(line, 1, lstrlenA(line), out);
    std::fclose(out);
    return MoveFileExA(part.c_str(), target, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
