// What the program plays and exports: 44.1 kHz stereo.
#pragma once

constexpr int kOutputRate = 44100;
