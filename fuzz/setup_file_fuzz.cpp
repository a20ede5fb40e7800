// The setup-file reader on any bytes: no crash, no unbounded allocation; a
// failed read changes nothing; whatever reads writes a file that reads back
// and writes the very same bytes again.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "model/setup.h"
#include "model/setup_file.h"
#include "model/value_ranges.h"

namespace {
void Require(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint8_t> untouched = EncodeSetupFile(Setup(), SetupFileWindowState());

    Setup first;
    SetupFileWindowState window;
    if (!ParseSetupFile(first, data, size, &window)) {
        Require(EncodeSetupFile(first, SetupFileWindowState()) == untouched);
        Require(first.fileVersion == Setup().fileVersion);
        return 0;
    }
    // Whatever follows the sound folder, swing and own rate are in range.
    Require(first.swing >= kSwingOff && first.swing <= kSwingMax && first.ownRate <= 1);
    const std::vector<uint8_t> written = EncodeSetupFile(first, window);
    Setup second;
    SetupFileWindowState reread;
    Require(ParseSetupFile(second, written.data(), written.size(), &reread));
    Require(second.fileVersion == kSetupFileVersion);
    Require(EncodeSetupFile(second, reread) == written);
    return 0;
}
