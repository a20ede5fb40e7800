// The demo as the build made it: the setup file in STEPFORGE_DEMO_DIR and the
// kit folder beside it.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "controls/color_scheme.h"
#include "model/setup.h"
#include "model/setup_file.h"
#include "tools/kit/demo_setup.h"

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

constexpr double kRate = 44100.0;
const double kPi = std::acos(-1.0);

const fs::path kDemoDir = STEPFORGE_DEMO_DIR;
const fs::path kKitDir = kDemoDir / kDemoKitFolder;

Bytes ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t U32(const Bytes& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// A 16-bit mono PCM sound at 44.1 kHz, as -1..1 samples. Parsed here, chunk by
// chunk, rather than trusted to any reader of the program.
struct Sound {
  std::string name;
  std::vector<double> samples;
};

::testing::AssertionResult ParseWav(const fs::path& path, Sound& sound) {
  const Bytes b = ReadAll(path);
  if (b.size() < 12 || std::memcmp(b.data(), "RIFF", 4) != 0 || std::memcmp(&b[8], "WAVE", 4) != 0) {
    return ::testing::AssertionFailure() << "no RIFF/WAVE header";
  }
  if (U32(b, 4) != b.size() - 8) return ::testing::AssertionFailure() << "RIFF size is not the file's";
  bool haveFormat = false;
  for (size_t at = 12; at + 8 <= b.size();) {
    const uint32_t size = U32(b, at + 4);
    const size_t body = at + 8;
    if (size > b.size() - body) return ::testing::AssertionFailure() << "chunk runs past the end";
    if (std::memcmp(&b[at], "fmt ", 4) == 0) {
      if (size < 16) return ::testing::AssertionFailure() << "short fmt chunk";
      const bool pcm16mono = U16(b, body) == 1 && U16(b, body + 2) == 1 && U32(b, body + 4) == 44100 &&
                             U32(b, body + 8) == 88200 && U16(b, body + 12) == 2 && U16(b, body + 14) == 16;
      if (!pcm16mono) return ::testing::AssertionFailure() << "not 16-bit 44.1 kHz mono PCM";
      haveFormat = true;
    } else if (std::memcmp(&b[at], "data", 4) == 0) {
      if (!haveFormat) return ::testing::AssertionFailure() << "data before fmt";
      if (size % 2 != 0) return ::testing::AssertionFailure() << "odd data size";
      sound.samples.clear();
      for (size_t i = body; i < body + size; i += 2) {
        sound.samples.push_back(static_cast<int16_t>(U16(b, i)) / 32768.0);
      }
      return ::testing::AssertionSuccess();
    }
    at = body + size + (size & 1);
  }
  return ::testing::AssertionFailure() << "no data chunk";
}

std::vector<Sound> LoadKit() {
  std::vector<Sound> kit;
  for (const std::string& name : DemoKitSounds()) {
    Sound sound{name, {}};
    EXPECT_TRUE(ParseWav(kKitDir / name, sound)) << name;
    kit.push_back(std::move(sound));
  }
  return kit;
}

// What tells drums apart by ear, in octaves (log2): the energy-weighted
// frequency, and the times by which half and nine tenths of the energy have
// sounded (the attack and the length of the ring).
struct Features {
  double frequency, half, most;
};

Features Describe(const std::vector<double>& x) {
  double energy = 0.0, slope = 0.0;
  for (size_t i = 0; i < x.size(); ++i) {
    energy += x[i] * x[i];
    if (i > 0) slope += (x[i] - x[i - 1]) * (x[i] - x[i - 1]);
  }
  // A sine of frequency f gives slope/energy = 4 sin²(πf/rate).
  const double frequency = kRate / kPi * std::asin(std::min(1.0, std::sqrt(slope / energy) / 2));
  double sum = 0.0, half = 0.0, most = 0.0;
  for (size_t i = 0; i < x.size(); ++i) {
    sum += x[i] * x[i];
    if (half == 0.0 && sum >= 0.5 * energy) half = (i + 1) / kRate;
    if (most == 0.0 && sum >= 0.9 * energy) most = (i + 1) / kRate;
  }
  return {std::log2(frequency), std::log2(half), std::log2(most)};
}

TEST(DemoFile, IsWhatTheWriterGivesForTheDemo) {
  static ::Setup demo;
  BuildDemoSetup(demo);
  EXPECT_EQ(ReadAll(kDemoDir / kDemoFileName), EncodeSetupFile(demo, DemoWindowState()));
}

TEST(DemoFile, ReadsBackExactly) {
  static ::Setup setup;
  SetupFileWindowState window;
  const fs::path path = kDemoDir / kDemoFileName;
  ASSERT_TRUE(ReadSetupFile(setup, path.string(), &window));
  EXPECT_EQ(setup.fileVersion, kSetupFileVersion);
  // Anything the reader dropped or brought into range would change the bytes.
  EXPECT_EQ(EncodeSetupFile(setup, window), ReadAll(path));
  EXPECT_EQ(window.left, 100);
  EXPECT_EQ(window.top, 100);
  EXPECT_EQ(setup.soundDir, kDemoKitFolder);
}

TEST(DemoFile, NamesTheKitFolderBesideIt) {
  static ::Setup demo;
  BuildDemoSetup(demo);
  ASSERT_EQ(demo.soundDir.find_first_of("/\\:"), std::string::npos) << "a path would not move with the file";
  ASSERT_TRUE(fs::is_directory(kDemoDir / demo.soundDir));
  std::vector<std::string> listed;
  for (const auto& entry : fs::directory_iterator(kKitDir)) listed.push_back(entry.path().filename().string());
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, DemoKitSounds());  // and each one loads: DemoKit below
}

TEST(DemoFile, ChainPlaysAVariedArrangementOfTheWholeKit) {
  static ::Setup demo;
  BuildDemoSetup(demo);
  const int sounds = static_cast<int>(DemoKitSounds().size());
  std::set<int> pitches, volumes, pans, used;
  std::vector<int> order;  // measures in the order the chain first reaches them
  bool repeats = false;
  for (int m = 0; std::find(order.begin(), order.end(), m) == order.end(); m = demo.measures[m].nextMeasure) {
    ASSERT_GE(m, 0);
    ASSERT_LT(m, Setup::kPlayableMeasures);
    order.push_back(m);
    repeats |= demo.measures[m].repeatCount > 1;
    for (const Step& s : demo.measures[m].steps) {
      if (!s.on) continue;
      ASSERT_LT(s.sound, sounds) << "measure " << m;
      used.insert(s.sound);
      pitches.insert(s.pitch);
      volumes.insert(s.volume);
      pans.insert(s.pan);
    }
  }
  EXPECT_GE(order.size(), 4u) << "too short an arrangement";
  EXPECT_TRUE(repeats);
  EXPECT_EQ(used.size(), static_cast<size_t>(sounds)) << "every kit sound plays";
  EXPECT_GE(pitches.size(), 3u);
  EXPECT_GE(volumes.size(), 3u);
  EXPECT_GE(pans.size(), 3u);
  EXPECT_GE(demo.tempo, 70.0);
  EXPECT_LE(demo.tempo, 180.0);
}

TEST(DemoFile, ColourSchemeComesBackAsChosen) {
  // The file stores highlight2 and the scheme is derived from it again, so
  // the chosen colour must be the highlight2 of its own scheme.
  const Colorref chosen = DemoWindowState().schemeColor;
  ColorScheme scheme;
  scheme.DeriveFromBase(chosen);
  EXPECT_EQ(scheme.highlight2, chosen);
}

TEST(DemoKit, EverySoundIsAudibleCleanAndShort) {
  for (const Sound& sound : LoadKit()) {
    SCOPED_TRACE(sound.name);
    const std::vector<double>& x = sound.samples;
    ASSERT_GT(x.size(), 0.05 * kRate);
    EXPECT_LT(x.size(), 2.0 * kRate);
    double peak = 0.0, mean = 0.0;
    for (double s : x) {
      peak = std::max(peak, std::abs(s));
      mean += s / x.size();
    }
    EXPECT_GT(peak, 0.25) << "too quiet";
    EXPECT_LT(peak, 0.98) << "at the edge of clipping";
    EXPECT_LT(std::abs(mean), 0.002) << "DC offset";
    // Starting or stopping away from zero clicks on every trigger.
    EXPECT_LT(std::abs(x.front()), 0.01);
    EXPECT_LT(std::abs(x.back()), 0.01);
  }
}

TEST(DemoKit, NoTwoSoundsAlike) {
  const std::vector<Sound> kit = LoadKit();
  std::vector<Features> features;
  for (const Sound& sound : kit) features.push_back(Describe(sound.samples));
  for (size_t i = 0; i < kit.size(); ++i) {
    for (size_t j = i + 1; j < kit.size(); ++j) {
      const Features& a = features[i];
      const Features& b = features[j];
      const double distance = std::hypot(a.frequency - b.frequency, a.half - b.half, a.most - b.most);
      EXPECT_GT(distance, 0.3) << kit[i].name << " and " << kit[j].name << " sound alike";
    }
  }
}

}  // namespace
