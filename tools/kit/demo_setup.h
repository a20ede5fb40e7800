#pragma once

#include <string>
#include <vector>

#include "model/setup.h"
#include "model/setup_file.h"

// The demo that ships with the program: a short arrangement played on the
// synthesized demo kit.

// The kit's folder; the setup names it without a path, so it is found beside
// the setup file wherever the two are copied together.
extern const char kDemoKitFolder[];
// The setup file written beside the kit folder.
extern const char kDemoFileName[];

// The kit's file names in sound-index order (which is also their sorted
// order, the order the sound list takes them in).
const std::vector<std::string>& DemoKitSounds();

// Fills a freshly constructed Setup with the demo: patterns, chain, tempo,
// switches, sound folder and sound list.
void BuildDemoSetup(Setup& setup);

// Where the window opens and the colour its scheme is derived from.
SetupFileWindowState DemoWindowState();
