// The program's random numbers: the runtime generator, seeded once at start-up.
#pragma once

#include <cstdlib>

// 0 for n = 0, otherwise rand() % n.
inline int RandomBelow(int n) { return n == 0 ? 0 : std::rand() % n; }
