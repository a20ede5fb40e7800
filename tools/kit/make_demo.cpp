// Writes the demo setup file beside the demo kit folder, with the program's
// own setup writer:
//
//   make_demo DEMO-FOLDER
//
// DEMO-FOLDER must already hold the kit folder; the kit's files are checked
// first, because the demo's sound indices only mean what they should when the
// folder lists exactly these files in this order.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "model/setup.h"
#include "model/setup_file.h"
#include "tools/kit/demo_setup.h"

namespace fs = std::filesystem;

namespace {

bool HasWavEnding(const std::string& name) {
  if (name.size() < 4) return false;
  std::string ending = name.substr(name.size() - 4);
  std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return std::tolower(c); });
  return ending == ".wav";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_demo DEMO-FOLDER\n");
    return 2;
  }
  const fs::path folder = argv[1];
  try {
    std::vector<std::string> found;
    for (const auto& entry : fs::directory_iterator(folder / kDemoKitFolder)) {
      const std::string name = entry.path().filename().string();
      if (HasWavEnding(name)) found.push_back(name);
    }
    std::sort(found.begin(), found.end());
    if (found != DemoKitSounds()) {
      std::fprintf(stderr, "make_demo: %s does not hold exactly the demo kit's sounds\n",
                   (folder / kDemoKitFolder).string().c_str());
      return 1;
    }

    static Setup setup;  // large; and a Setup is never copied
    BuildDemoSetup(setup);
    const std::string path = (folder / kDemoFileName).string();
    if (!WriteSetupFile(setup, path, DemoWindowState())) {
      std::fprintf(stderr, "make_demo: cannot write %s\n", path.c_str());
      return 1;
    }
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_demo: %s\n", e.what());
    return 1;
  }
  return 0;
}
