#include "tools/kit/demo_setup.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

const char kDemoKitFolder[] = "Stepforge Demo Kit";
const char kDemoFileName[] = "Demo.^&^";

namespace {

// Sound indices: the kit's sorted order.
enum Sound {
  KICK, SNARE, RIM, CLAP, CLOSED_HAT, OPEN_HAT, LOW_TOM, MID_TOM,
  HIGH_TOM, CRASH, RIDE, COWBELL, SHAKER, TAMBOURINE, CLAVES, CONGA,
};

constexpr double kTempo = 116.0;
constexpr int kAux = 64;  // what a new Setup holds; nothing plays it

// One instrument's line of a measure, drum-tab style, one character per step:
// '.' rest, 'x' hit at `volume`, 'X' accent, 'o' ghost note. A step holds one
// sound, so no two lines of a measure may use the same step.
struct Line {
  int sound;
  const char* tab;
  int volume;
  int pitch;
  int pan;  // 0 left, 64 centre, 127 right
};

struct Pattern {
  int measure;
  int next;
  int repeats;
  std::vector<Line> lines;
};

int MarkVolume(char mark, int volume) {
  switch (mark) {
    case 'x': return volume;
    case 'X': return std::min(127, volume + 15);
    case 'o': return volume * 6 / 10;
    default: throw std::logic_error(std::string("unknown mark '") + mark + "'");
  }
}

void Fill(Setup& setup, const Pattern& pattern) {
  Measure& m = setup.measures[pattern.measure];
  m.SetNextMeasure(static_cast<int16_t>(pattern.next));
  m.SetRepeatCount(static_cast<int16_t>(pattern.repeats));
  for (Step& s : m.steps) {  // a rest: off, and otherwise plain values
    s.on = 0;
    s.sound = 0;
    s.pitch = 0;
    s.volume = 100;
    s.pan = 64;
    s.aux = kAux;
  }
  bool used[Measure::kStepCount] = {};
  for (const Line& line : pattern.lines) {
    if (std::strlen(line.tab) != Measure::kStepCount) {
      throw std::logic_error("measure " + std::to_string(pattern.measure) + ": a line is not 16 steps");
    }
    for (int j = 0; j < Measure::kStepCount; ++j) {
      const char mark = line.tab[j];
      if (mark == '.') continue;
      if (used[j]) {
        throw std::logic_error("measure " + std::to_string(pattern.measure) + ": step " + std::to_string(j) +
                               " is used twice");
      }
      used[j] = true;
      Step& s = m.steps[j];
      s.on = 1;
      s.sound = static_cast<int16_t>(line.sound);
      s.volume = static_cast<int16_t>(MarkVolume(mark, line.volume));
      s.pitch = static_cast<int16_t>(line.pitch);
      s.pan = static_cast<int16_t>(line.pan);
    }
  }
}

// Intro ×2, then a loop: groove ×3, tom fill, second groove ×3, percussion
// break ×2, snare build, crash back into the groove. Measure 7 keeps the new
// Setup's roll call of all sixteen sounds, outside the chain.
const std::vector<Pattern>& Arrangement() {
  static const std::vector<Pattern> patterns = {
      {0, 1, 2, {  // intro
          {KICK,       "x.......x.......", 112, 0, 64},
          {SHAKER,     "..x...X...x...X.", 70, 0, 84},
          {RIM,        "....x.......x...", 75, 0, 52},
          {CLAVES,     "...x.......x....", 70, 0, 36},
          {CONGA,      ".......x.....x..", 80, 0, 92},
          {CONGA,      "...............o", 80, 5, 92},
      }},
      {1, 2, 3, {  // groove
          {KICK,       "x.....x.x.......", 118, 0, 64},
          {SNARE,      "....x.......x...", 108, 0, 60},
          {CLOSED_HAT, ".oXo.o.x.oXo.o..", 84, 0, 84},
          {OPEN_HAT,   "..............x.", 80, 0, 84},
          {RIM,        "...............o", 80, 0, 52},
      }},
      {2, 3, 1, {  // tom fill
          {KICK,       "x..............o", 118, 0, 64},
          {CLOSED_HAT, ".o.o............", 84, 0, 84},
          {SNARE,      "..o.x......oxxX.", 108, 0, 60},
          {HIGH_TOM,   ".....x..........", 100, 2, 90},
          {HIGH_TOM,   "......x.........", 100, 0, 90},
          {MID_TOM,    ".......xx.......", 100, 0, 64},
          {LOW_TOM,    ".........xx.....", 105, 0, 38},
      }},
      {3, 4, 3, {  // second groove: clap, ride, cowbell, congas
          {KICK,       "x..o...x.x......", 118, 0, 64},
          {CLAP,       "....x.......x...", 104, 0, 70},
          {RIDE,       "..x...x...x...X.", 78, 0, 40},
          {COWBELL,    ".....o.....x....", 76, 0, 96},
          {CONGA,      ".o.............o", 78, 7, 96},
          {CONGA,      "........x.......", 86, 0, 96},
          {CONGA,      ".............x..", 80, 5, 96},
      }},
      {4, 5, 2, {  // percussion break, the congas tuned to a little tune
          {SHAKER,     ".x...x...x...x..", 84, 0, 84},
          {CLAVES,     "...x......x.....", 92, 0, 30},
          {TAMBOURINE, "....X.......X...", 100, 0, 64},
          {CONGA,      "x.......x.....o.", 112, 0, 44},
          {CONGA,      "..x....o........", 106, 5, 84},
          {CONGA,      "......x....x....", 106, 7, 84},
          {CONGA,      "...............o", 106, 12, 100},
      }},
      {5, 6, 1, {  // build: four on the floor under a rising snare roll
          {KICK,       "x...x...x...x...", 112, 0, 64},
          {CLOSED_HAT, ".o.o.o.o........", 84, 0, 84},
          {SNARE,      "..o...o.........", 100, 0, 60},
          {SNARE,      ".........xx.....", 100, 1, 60},
          {SNARE,      "...........x.x..", 108, 2, 60},
          {SNARE,      "..............xX", 112, 3, 60},
      }},
      {6, 1, 1, {  // the groove again, opened by the crash
          {CRASH,      "X...............", 110, 0, 44},
          {KICK,       "..x...x.x.......", 118, 0, 64},
          {SNARE,      "....x.......x...", 108, 0, 60},
          {CLOSED_HAT, ".o.o.o.x.oXo.o..", 84, 0, 84},
          {OPEN_HAT,   "..............x.", 80, 0, 84},
          {RIM,        "...............o", 80, 0, 52},
      }},
  };
  return patterns;
}

}  // namespace

const std::vector<std::string>& DemoKitSounds() {
  static const std::vector<std::string> names = {
      "01 kick.wav",       "02 snare.wav",    "03 rim.wav",        "04 clap.wav",
      "05 closed hat.wav", "06 open hat.wav", "07 low tom.wav",    "08 mid tom.wav",
      "09 high tom.wav",   "10 crash.wav",    "11 ride.wav",       "12 cowbell.wav",
      "13 shaker.wav",     "14 tambourine.wav", "15 claves.wav",   "16 conga.wav",
  };
  return names;
}

void BuildDemoSetup(Setup& setup) {
  for (const Pattern& pattern : Arrangement()) Fill(setup, pattern);
  setup.tempoUnit = 0;
  setup.tempo = kTempo;
  setup.editMeasure = 0;
  setup.stepsPerMeasure = Measure::kStepCount;
  setup.polyphonic = 1;  // let kicks and cymbals ring under the next steps
  setup.muted = 0;
  setup.masterVolume = 90;
  setup.masterPitch = 0;
  setup.soundDir = kDemoKitFolder;
  setup.soundDirTitle = kDemoKitFolder;
  setup.soundNames = DemoKitSounds();
}

SetupFileWindowState DemoWindowState() {
  SetupFileWindowState window;
  window.left = 100;
  window.top = 100;
  // A dark slate blue, HSV (200, 45 %, 40 %): the scheme derived from it
  // gives this colour back as its highlight2, so it survives every save.
  window.schemeColor = 0x00655838;
  return window;
}
