// A fuzz target's function run over given inputs, each several times, with the
// least time each took (what is left when the machine's noise is taken out).
// libFuzzer reports whole milliseconds of single runs only; tools/fuzz uses
// this to find the slowest input of a corpus.
//
//   TARGET_replay REPEATS FILE...   prints "TIME microseconds FILE" per input
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s REPEATS FILE...\n", argv[0]);
        return 2;
    }
    const int repeats = std::max(1, std::atoi(argv[1]));
    for (int i = 2; i < argc; ++i) {
        std::ifstream file(argv[i], std::ios::binary);
        if (!file) {
            std::fprintf(stderr, "cannot read %s\n", argv[i]);
            return 2;
        }
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(bytes.data(), bytes.size());  // untimed: first touches, lazy set-up
        double least = 1e300;
        for (int r = 0; r < repeats; ++r) {
            const auto before = std::chrono::steady_clock::now();
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - before;
            least = std::min(least, took.count());
        }
        std::printf("TIME %.0f %s\n", least, argv[i]);
    }
    return 0;
}
