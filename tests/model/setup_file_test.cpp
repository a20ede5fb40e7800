#include "model/setup_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "model/atomic_file.h"
#include "model/text_encoding.h"
#include "tests/temp_folder.h"

#ifndef _WIN32
#include <signal.h>
#include <sys/resource.h>
#endif

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

namespace {

// A fresh folder for one test, removed with its contents afterwards.
// Little-endian assembly on the test side, independent of the program's writer.
struct Builder {
  Bytes b;
  Builder& U8(uint8_t v) { b.push_back(v); return *this; }
  Builder& I16(int v) { return U8(v & 0xFF).U8((v >> 8) & 0xFF); }
  Builder& I32(int64_t v) { for (int i = 0; i < 4; ++i) U8((v >> (8 * i)) & 0xFF); return *this; }
  Builder& F32(float f) { uint32_t u; std::memcpy(&u, &f, 4); return I32(u); }
  Builder& F64(double d) { uint64_t u; std::memcpy(&u, &d, 8); return I32(u & 0xFFFFFFFF).I32(u >> 32); }
  Builder& Text(const std::string& s) { b.insert(b.end(), s.begin(), s.end()); return *this; }
};

// A file of any version up to (not including) the sound directory string, laid
// out as the version table has it: tempo unit 1, tempo 140.5, edit measure 3,
// muted, measure i chained to i+3 for i+2 passes, an old window 100..700 wide.
// Old step j has on-flag 0, 5 or 1 (j % 3) and aux code 1, 2, 0 or -1 (j % 4).
Bytes BuildFile(float version, int32_t monoFlag = 0) {
  const bool old = version < 2.0f;
  Builder f;
  f.F32(version).I16(1).F64(140.5).I32(0x01020304).I16(-7).I16(3).I32(1).I32(0x00112233);
  if (old) f.I32(0x00445566).I32(0x00778899);
  for (int i = 0; i < 8; ++i) {
    if (old) f.I32(0x7EADBEEF);
    if (version < 1.003f) f.I16(5);
    else f.I16((i + 3) % 8).I16(i + 2);
    for (int j = 0; j < 16; ++j) {
      f.I16(j - 8 + i).I16(i * 16 + j).I16(20 + i + j).I16(127 - i - j);
      if (old) f.I32(j % 3 == 0 ? 0 : (j % 3 == 1 ? 5 : 1)).I32(j % 4 == 0 ? 1 : (j % 4 == 1 ? 2 : (j % 4 == 2 ? 0 : -1)));
      else f.I16((i + 2 * j) % 128).I16(j % 3 != 0);
    }
  }
  if (old) {
    f.I32(100).I32(50).I32(700).I32(216);
    if (version >= 1.5f) f.I32(monoFlag);
  } else {
    f.I32(-20).I32(30).I32(12).I32(1);
    if (version != 2.0f) f.I16(55).I16(-12);
  }
  return f.b;
}

Bytes WithString(Bytes file, const std::string& text) {
  Builder f{std::move(file)};
  const int64_t n = static_cast<int64_t>(text.size());
  if (n < 255) f.U8(static_cast<uint8_t>(n));
  else if (n < 65534) f.U8(0xFF).I16(static_cast<int>(n));
  else f.U8(0xFF).I16(0xFFFF).I32(n);
  return f.Text(text).b;
}

bool Parse(::Setup& setup, const Bytes& file, SetupFileWindowState* window = nullptr) {
  return ParseSetupFile(setup, file.data(), file.size(), window);
}

// A distinct in-range value in every field a file can carry.
void Fill(::Setup& s, int seed) {
  s.tempoUnit = static_cast<int16_t>(seed % 2);
  s.tempo = 90.25 + seed;
  s.headerWord1 = -100000 * seed;
  s.headerWord2 = static_cast<int16_t>(300 + seed);
  s.editMeasure = static_cast<int16_t>(seed % 8);
  s.muted = seed % 2;
  s.polyphonic = 1 - seed % 2;
  s.stepsPerMeasure = 1 + seed % 16;
  s.masterVolume = static_cast<int16_t>(seed % 101);
  s.masterPitch = static_cast<int16_t>(-59 + seed % 127);
  s.soundDir = "C:\\sounds\\set" + std::to_string(seed);
  s.filePath = "setup" + std::to_string(seed) + ".^&^";
  s.fileVersion = 1.0f + static_cast<float>(seed);
  for (int i = 0; i < 8; ++i) {
    s.measures[i].nextMeasure = static_cast<int16_t>((i + seed) % 8);
    s.measures[i].repeatCount = static_cast<int16_t>(1 + (i + seed) % 32);
    for (int j = 0; j < 16; ++j) {
      const int k = i * 16 + j + seed;
      // Sounds beyond 127 too: the sound menu offers every sound of a long list.
      const int values[] = {k % 2, -60 + k % 128, (k * 257) % 32768, (k * 3) % 128, (k * 5) % 128, (k * 7) % 128};
      for (int v = 0; v < 6; ++v) SetStepValue(s.measures[i].steps[j], 10 * (v + 1), values[v]);
    }
  }
}

// Everything a read may change, comparable as bytes: the encoded fields (the
// encoder is itself checked against a hand-built file), filePath, fileVersion.
Bytes Snapshot(const ::Setup& s) {
  Bytes b = EncodeSetupFile(s, {});
  b.insert(b.end(), s.filePath.begin(), s.filePath.end());
  const uint8_t* v = reinterpret_cast<const uint8_t*>(&s.fileVersion);
  b.insert(b.end(), v, v + sizeof s.fileVersion);
  return b;
}

int16_t I16At(const Bytes& b, size_t offset) { return static_cast<int16_t>(b[offset] | (b[offset + 1] << 8)); }

}  // namespace

TEST(SetupFileLayout, NewSetupBytes) {
  ::Setup setup;
  setup.soundDir = "C:\\drums";
  setup.measures[2].steps[3].on = 0;
  setup.masterPitch = -5;
  const Bytes file = EncodeSetupFile(setup, {});
  ASSERT_EQ(file.size(), 1619u + 8);
  EXPECT_EQ(Bytes(file.begin(), file.begin() + 4), (Bytes{0x00, 0xA4, 0x0C, 0x46}));
  EXPECT_EQ(file[1618], 8);
  EXPECT_EQ(I16At(file, 472), 0);
  EXPECT_EQ(I16At(file, 472 - 12), 1);  // measure 2 step 2
  EXPECT_EQ(I16At(file, 1606), 16);
  EXPECT_EQ(I16At(file, 1616), -5);
}

TEST(SetupFileLayout, EncoderMatchesHandBuiltFile) {
  const Bytes built = WithString(BuildFile(9001.0f), "D:\\kit");
  ::Setup setup;
  ASSERT_TRUE(Parse(setup, built));
  EXPECT_EQ(EncodeSetupFile(setup, {-20, 30, 0x00112233, false, 0}), built);
}

TEST(SetupFileRoundTrip, EveryStringFormThroughRealFiles) {
  TempFolder dir;
  for (size_t length : {0u, 254u, 255u, 65533u, 65534u, 70000u}) {
    ::Setup written, read;
    Fill(written, 7);
    written.soundDir = std::string(length, '\xF7');
    written.modified = 1;
    const std::string path = dir.File("round.^&^");
    ASSERT_TRUE(WriteSetupFile(written, path, {-300, 4000, 0x00ABCDEF, false, 0}));
    EXPECT_EQ(written.filePath, path);
    EXPECT_EQ(written.modified, 1);  // cleared by the save workflow, not here
    const size_t prefix = length < 255 ? 1 : (length < 65534 ? 3 : 7);
    EXPECT_EQ(ReadAll(path).size(), 1618 + prefix + length);

    SetupFileWindowState window;
    ASSERT_TRUE(ReadSetupFile(read, path, &window)) << length;
    written.fileVersion = 9001.0f;
    EXPECT_TRUE(Snapshot(read) == Snapshot(written)) << length;
    EXPECT_EQ(read.soundDir, written.soundDir);
    EXPECT_EQ(read.headerWord1, -700000);
    EXPECT_EQ(read.measures[7].steps[15].aux, written.measures[7].steps[15].aux);
    EXPECT_EQ(window.left, -300);
    EXPECT_EQ(window.top, 4000);
    EXPECT_EQ(window.schemeColor, 0x00ABCDEFu);
  }
}

TEST(SetupFileTrailer, SwingAndOwnRateFollowTheFolderOnlyWhenSetAndABrokenTrailerIsIgnored) {
  ::Setup plain, both;
  plain.soundDir = both.soundDir = "C:\\kit";
  both.swing = 667;
  both.ownRate = 1;
  const Bytes without = EncodeSetupFile(plain, {});
  ASSERT_EQ(without.size(), 1619u + 6) << "off: nothing behind the folder";
  EXPECT_EQ(EncodeSetupFile(both, {}), Builder{without}.Text("SFXT").I32(4).I16(667).I16(1).b);
  // Behind the folder: the bytes, then swing and own rate as read.
  const struct {
    Bytes tail;
    int swing, ownRate;
  } cases[] = {
      {{}, 500, 0},
      {Builder{}.Text("SFXT").I32(4).I16(520).I16(7).b, 520, 1},  // not on the menu: as stored
      {Builder{}.Text("SFXT").I32(4).I16(400).I16(0).b, 500, 0},
      {Builder{}.Text("SFXT").I32(10).I16(900).I16(1).I16(5).I32(-1).b, 750, 1},  // later fields skipped
      {Builder{}.Text("SFXU").I32(4).I16(710).I16(1).b, 500, 0},
      {Builder{}.Text("SFXT").I32(6).I16(710).I16(1).b, 500, 0},  // beyond the end
      {Builder{}.Text("SFXT").I32(2).I16(710).I16(1).b, 500, 0},  // a field cut short
  };
  const Bytes folder = WithString(BuildFile(9001.0f), "D:\\kit");
  for (const auto& c : cases) {
    ::Setup setup;
    setup.swing = 600;
    ASSERT_TRUE(Parse(setup, Builder{folder}.Text({c.tail.begin(), c.tail.end()}).b));
    EXPECT_EQ(setup.swing * 10 + setup.ownRate, c.swing * 10 + c.ownRate) << c.tail.size();
    EXPECT_EQ(setup.soundDir, "D:\\kit");
  }
}

TEST(OldSetupFiles, PreTwoLayouts) {
  for (float version : {1.0f, 1.05f, 1.2f, 1.5f, 1.9999999f}) {
    ::Setup setup;
    setup.masterVolume = 33;
    setup.soundDir = "C:\\current";
    setup.polyphonic = 1;
    SetupFileWindowState window;
    ASSERT_TRUE(Parse(setup, BuildFile(version), &window)) << version;
    EXPECT_EQ(setup.fileVersion, version);
    EXPECT_EQ(setup.stepsPerMeasure, version < 1.1f ? 13 : 16) << version;  // (600-122)/35, (600-110)/30
    EXPECT_EQ(setup.polyphonic, version < 1.5f ? 0 : 1) << version;          // mono flag 0 from 1.5 on
    EXPECT_EQ(setup.tempo, 140.5);
    EXPECT_EQ(setup.masterVolume, 33);
    EXPECT_EQ(setup.soundDir, "C:\\current");
    EXPECT_EQ(window.schemeColor, 0x00445566u);  // the second colour replaces the first
    EXPECT_TRUE(window.hasHighlightText);
    EXPECT_EQ(window.highlightTextColor, 0x00778899u);
    EXPECT_EQ(window.left, 100);
    EXPECT_EQ(setup.measures[6].nextMeasure, version < 1.003f ? 6 : 1);
    EXPECT_EQ(setup.measures[6].repeatCount, version < 1.003f ? 1 : 8);
    const Step* s = setup.measures[1].steps;
    EXPECT_EQ(s[5].pitch, -2);
    EXPECT_EQ(s[5].pan, 121);
    // (on-flag, aux code): (5, 1), (5, 2), (0, -1), (1, 0).
    EXPECT_EQ(s[4].on * 1000 + s[4].aux, 1000);
    EXPECT_EQ(s[1].on * 1000 + s[1].aux, 1127);
    EXPECT_EQ(s[3].on * 1000 + s[3].aux, 127);
    EXPECT_EQ(s[2].on * 1000 + s[2].aux, 1127);
  }
  ::Setup setup;
  ASSERT_TRUE(Parse(setup, BuildFile(1.5f, 3)));
  EXPECT_EQ(setup.polyphonic, 0);
}

TEST(OldSetupFiles, TwoPointZeroAndLaterKeepTheSoundDirectory) {
  for (float version : {2.0f, 2.5f}) {
    ::Setup setup;
    setup.masterPitch = 7;
    setup.soundDir = "C:\\current";
    SetupFileWindowState window;
    ASSERT_TRUE(Parse(setup, BuildFile(version), &window)) << version;
    EXPECT_EQ(setup.masterVolume, version == 2.0f ? 80 : 55);
    EXPECT_EQ(setup.masterPitch, version == 2.0f ? 0 : -12);
    EXPECT_EQ(setup.soundDir, "C:\\current");
    EXPECT_EQ(setup.stepsPerMeasure, 12);
    EXPECT_FALSE(window.hasHighlightText);
  }
}

TEST(OldSetupFiles, NanVersionReadsTheCurrentLayout) {
  ::Setup setup;
  ASSERT_TRUE(Parse(setup, WithString(BuildFile(std::numeric_limits<float>::quiet_NaN()), "E:\\nan")));
  EXPECT_TRUE(std::isnan(setup.fileVersion));
  EXPECT_EQ(setup.masterVolume, 55);
  EXPECT_EQ(setup.soundDir, "E:\\nan");
}

TEST(WideCharacterStrings, MarkerReadsUtf16AsWindows1252) {
  const std::u16string text = u"C:\\Caf\u00E9 \u20AC\u0178\u0100\U0001F600\u0081";
  Builder f{BuildFile(9001.0f)};
  f.U8(0xFF).I16(0xFFFE).U8(static_cast<uint8_t>(text.size()));
  for (char16_t c : text) f.I16(c);
  ::Setup setup;
  ASSERT_TRUE(Parse(setup, f.b));
  EXPECT_EQ(setup.soundDir, "C:\\Caf\xE9 \x80\x9F??\x81");

  Builder g{BuildFile(9001.0f)};  // a long prefix after the marker
  g.U8(0xFF).I16(0xFFFE).U8(0xFF).I16(0xFFFF).I32(300);
  for (int i = 0; i < 300; ++i) g.I16(u'\u2122');
  ASSERT_TRUE(Parse(setup, g.b));
  EXPECT_EQ(setup.soundDir, std::string(300, '\x99'));

  Builder twice{BuildFile(9001.0f)};
  twice.U8(0xFF).I16(0xFFFE).U8(0xFF).I16(0xFFFE).U8(0);
  EXPECT_FALSE(Parse(setup, twice.b));
  EXPECT_EQ(Utf16ToWindows1252(std::u16string{0xD800, u'a', 0xDC00, 0x0080, 0x00A0}), "?a??\xA0");
}

TEST(SetupFileRanges, OutOfRangeValuesAreBroughtIntoRange) {
  ::Setup source;
  source.tempoUnit = 2;
  source.editMeasure = 8;
  source.muted = -4;
  source.polyphonic = 2;
  source.stepsPerMeasure = 17;
  source.masterVolume = 101;
  source.masterPitch = -60;
  source.headerWord2 = -32768;
  source.measures[0].nextMeasure = -1;
  source.measures[1].nextMeasure = 8;
  source.measures[0].repeatCount = 0;
  source.measures[1].repeatCount = 33;
  const int bad[] = {-1, 68, -1, 128, -32768, 32767};  // on, pitch, sound, volume, pan, aux
  for (int v = 0; v < 6; ++v) SetStepValue(source.measures[4].steps[2], 10 * (v + 1), bad[v]);
  source.measures[4].steps[2].on = -1;  // the accessor would already have made it 1
  source.measures[4].steps[3].pitch = -61;
  source.measures[4].steps[3].sound = -32768;

  ::Setup read;
  const int32_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
  SetupFileWindowState window{lo, hi, 0, false, 0};
  ASSERT_TRUE(Parse(read, EncodeSetupFile(source, window), &window));
  EXPECT_EQ(read.tempoUnit, 0);
  EXPECT_EQ(read.editMeasure, 0);
  EXPECT_EQ(read.muted, 1);
  EXPECT_EQ(read.polyphonic, 1);
  EXPECT_EQ(read.stepsPerMeasure, 16);
  EXPECT_EQ(read.masterVolume, 100);
  EXPECT_EQ(read.masterPitch, -59);
  EXPECT_EQ(read.measures[0].nextMeasure, 0);
  EXPECT_EQ(read.measures[1].nextMeasure, 1);
  EXPECT_EQ(read.measures[0].repeatCount, 1);
  EXPECT_EQ(read.measures[1].repeatCount, 32);
  const int fixed[] = {1, 67, 0, 127, 0, 127};
  for (int v = 0; v < 6; ++v) EXPECT_EQ(GetStepValue(read.measures[4].steps[2], 10 * (v + 1)), fixed[v]);
  EXPECT_EQ(read.measures[4].steps[3].pitch, -60);
  EXPECT_EQ(read.measures[4].steps[3].sound, 0);
  EXPECT_EQ(read.headerWord2, -32768);  // no range the program relies on: as read
  EXPECT_EQ(window.left, lo);
  EXPECT_EQ(window.top, hi);

  // Valid values, boundaries included, come through unchanged.
  Fill(source, 3);
  source.measures[0].steps[0].pitch = -60;
  source.measures[0].steps[1].sound = 32767;  // the last index a step can hold
  source.measures[0].steps[2].sound = 200;
  source.measures[0].repeatCount = 32;
  source.masterPitch = 67;
  source.stepsPerMeasure = 1;
  source.fileVersion = 9001.0f;
  ASSERT_TRUE(Parse(read, EncodeSetupFile(source, {})));
  read.filePath = source.filePath;
  EXPECT_TRUE(Snapshot(read) == Snapshot(source));
}

TEST(SetupFileRanges, TempoAndStepCountFromHostileRectangles) {
  const double inf = std::numeric_limits<double>::infinity();
  const double tempos[][2] = {{0.0, 126.0}, {-5.0, 126.0}, {inf, 126.0}, {-inf, 126.0}, {std::nan(""), 126.0},
                              {0.1, 0.5},   {2e7, 1e7},    {0.5, 0.5},   {1e7, 1e7},    {133.333, 133.333}};
  for (const auto& t : tempos) {
    ::Setup source, read;
    source.tempo = t[0];
    ASSERT_TRUE(Parse(read, EncodeSetupFile(source, {})));
    EXPECT_EQ(read.tempo, t[1]) << t[0];
  }
  const int32_t lo = std::numeric_limits<int32_t>::min(), hi = std::numeric_limits<int32_t>::max();
  const int32_t rects[][3] = {{lo, hi, 16}, {hi, lo, 1}, {0, 139, 1}, {0, 589, 15}, {0, 620, 16}};
  for (const auto& r : rects) {
    Bytes file = BuildFile(1.2f);
    const Bytes tail = Builder{}.I32(r[0]).I32(0).I32(r[1]).I32(0).b;
    std::copy(tail.begin(), tail.end(), file.end() - 16);
    ::Setup setup;
    ASSERT_TRUE(Parse(setup, file));
    EXPECT_EQ(setup.stepsPerMeasure, r[2]) << r[0] << ".." << r[1];
  }
}

TEST(FailedReads, TruncationAtEveryLengthChangesNothing) {
  for (const Bytes& file : {WithString(BuildFile(9001.0f), std::string(300, 'd')), BuildFile(1.0f),
                            BuildFile(1.5f), BuildFile(2.0f), BuildFile(2.5f)}) {
    ::Setup target, complete;
    Fill(target, 2);
    const Bytes before = Snapshot(target);
    SetupFileWindowState window{1, 2, 3, true, 4};
    for (size_t length = 0; length < file.size(); ++length) {
      ASSERT_FALSE(ParseSetupFile(target, file.data(), length, &window)) << length;
      ASSERT_TRUE(Snapshot(target) == before) << "cut at " << length;
    }
    EXPECT_EQ(window.left, 1);
    EXPECT_EQ(window.highlightTextColor, 4u);
    EXPECT_TRUE(Parse(complete, file));
  }
}

TEST(FailedReads, TruncatedEmptyMissingAndHostileFiles) {
  TempFolder dir;
  ::Setup source, target;
  source.soundDir = std::string(9000, 's');  // longer than one read buffer
  const Bytes file = EncodeSetupFile(source, {});
  Fill(target, 6);
  const Bytes before = Snapshot(target);
  for (size_t length : {size_t{0}, size_t{3}, size_t{1617}, size_t{4096}, file.size() - 1}) {
    const std::string path = dir.File("cut" + std::to_string(length));
    WriteAll(path, Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
    EXPECT_FALSE(ReadSetupFile(target, path, nullptr)) << length;
  }
  EXPECT_FALSE(ReadSetupFile(target, dir.File("missing"), nullptr));
  fs::create_directory(dir.File("folder"));
  EXPECT_FALSE(ReadSetupFile(target, dir.File("folder"), nullptr));

  // Length prefixes far beyond the data: rejected before anything is allocated.
  const Bytes hostile[] = {
      Builder{BuildFile(9001.0f)}.U8(0xFF).I16(0xFFFF).I32(0xFFFFFFF0).Text("abc").b,
      Builder{BuildFile(9001.0f)}.U8(200).Text("abc").b,
      Builder{BuildFile(9001.0f)}.U8(0xFF).I16(0xFFFE).U8(0xFF).I16(0xFFFF).I32(0x80000001).I16('a').b};
  for (const Bytes& h : hostile) {
    WriteAll(dir.File("hostile"), h);
    EXPECT_FALSE(ReadSetupFile(target, dir.File("hostile"), nullptr));
    EXPECT_FALSE(Parse(target, h));
  }
  EXPECT_TRUE(Snapshot(target) == before);

  WriteAll(dir.File("whole"), file);
  ASSERT_TRUE(ReadSetupFile(target, dir.File("whole"), nullptr));
  EXPECT_EQ(target.soundDir, source.soundDir);
  EXPECT_EQ(target.filePath, dir.File("whole"));
}

TEST(AtomicSave, FailureKeepsTheOldFileAndLeavesNoTemporary) {
  TempFolder dir;
  const Bytes bytes = {1, 2, 3};
  EXPECT_FALSE(WriteFileAtomically(dir.File("no-such-folder") + "/x.^&^", bytes));
  fs::create_directory(dir.File("taken"));
  ::Setup setup;
  EXPECT_FALSE(WriteSetupFile(setup, dir.File("taken"), {}));
  EXPECT_EQ(setup.filePath, dir.File("taken"));  // a failed save still names the new file
  EXPECT_TRUE(fs::is_directory(dir.File("taken")));
  EXPECT_EQ(dir.Count(), 1u);

  WriteAll(dir.File("song"), {9, 9, 9, 9, 9});
  ASSERT_TRUE(WriteFileAtomically(dir.File("song"), bytes));
  EXPECT_EQ(ReadAll(dir.File("song")), bytes);
  EXPECT_EQ(dir.Count(), 2u);

  // Piece by piece: abandoned (or dropped) halfway, the old file stays whole.
  {
    AtomicFileWriter writer;
    ASSERT_TRUE(writer.Open(dir.File("song")));
    ASSERT_TRUE(writer.Write(bytes.data(), 2));
    EXPECT_EQ(dir.Count(), 3u) << "the temporary file";
  }
  EXPECT_EQ(ReadAll(dir.File("song")), bytes);
  EXPECT_EQ(dir.Count(), 2u);
  AtomicFileWriter writer;
  ASSERT_TRUE(writer.Open(dir.File("song")));
  ASSERT_TRUE(writer.Write(bytes.data(), 2));
  writer.Abandon();
  EXPECT_FALSE(writer.Commit());
  EXPECT_EQ(ReadAll(dir.File("song")), bytes);
  ASSERT_TRUE(writer.Open(dir.File("song")));
  const Bytes pieces = {7, 6, 5, 4};
  ASSERT_TRUE(writer.Write(pieces.data(), 1) && writer.Write(pieces.data() + 1, 3));
  ASSERT_TRUE(writer.Commit());
  EXPECT_EQ(ReadAll(dir.File("song")), pieces);
  EXPECT_EQ(dir.Count(), 2u);
  EXPECT_FALSE(writer.Open(dir.File("no-such-folder") + "/x.wav"));
}

#ifndef _WIN32
TEST(AtomicSave, ShortWriteKeepsTheOldFile) {
  for (size_t oldSize : {size_t{100}, size_t{20000}}) {
    TempFolder dir;
    const std::string path = dir.File("song.^&^");
    Bytes old(oldSize);
    for (size_t i = 0; i < oldSize; ++i) old[i] = static_cast<uint8_t>(i * 31);
    WriteAll(path, old);

    ::Setup setup;
    setup.soundDir = std::string(8000, 'n');
    struct rlimit saved, lowered;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    lowered = saved;
    lowered.rlim_cur = 4000;  // the new file needs 9621 bytes
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &lowered), 0);
    const bool written = WriteSetupFile(setup, path, {});
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(ReadAll(path), old);
    EXPECT_EQ(dir.Count(), 1u);
  }
}
#endif
