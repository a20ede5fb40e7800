#include "model/setup_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>

#include "model/atomic_file.h"
#include "model/byte_io.h"
#include "model/text_encoding.h"
#include "model/value_ranges.h"

namespace {

// Thresholds of the older layouts. Versions are compared as floats, exactly as
// stored, so 1.9999999 counts as older than 2.0.
constexpr float kChainedMeasures = 1.003f;  // from here a measure stores its chain
constexpr float kNarrowColumns = 1.1f;      // from here columns are 30 pixels wide
constexpr float kMonoFlag = 1.5f;           // from here the mono flag is stored
constexpr float kCompactLayout = 2.0f;      // 12-byte steps, position and step count

constexpr int kStoredMeasures = Setup::kPlayableMeasures;
constexpr int kSteps = Setup::kStepsPerMeasure;

constexpr double kDefaultTempo = 126.0;
constexpr double kMinTempo = 0.5;
constexpr double kMaxTempo = 10000000.0;

// The optional trailer behind the sound folder: this tag, a uint32 count of
// the bytes that follow, then int16 swing and int16 own-rate flag. Readers of
// files without it stop at the folder, so older readers open every file.
constexpr char kTrailerTag[4] = {'S', 'F', 'X', 'T'};
constexpr uint32_t kTrailerFieldBytes = 4;  // the fields this program knows

struct MeasureContent {
  int16_t nextMeasure, repeatCount;
  StepValues steps[kSteps];
};

// Everything a setup file can change in a Setup. A read fills a copy of it and
// the Setup takes it over only when the whole file has been read.
struct FileContent {
  int16_t tempoUnit;
  double tempo;
  int32_t headerWord1;
  int16_t headerWord2;
  int16_t editMeasure;
  int32_t muted;
  MeasureContent measures[kStoredMeasures];
  int32_t stepsPerMeasure;
  int32_t polyphonic;
  int16_t masterVolume;
  int16_t masterPitch;
  std::string soundDir;
  int16_t swing;
  int16_t ownRate;
};

FileContent Capture(const Setup& setup) {
  FileContent c;
  c.tempoUnit = setup.tempoUnit;
  c.tempo = setup.tempo;
  c.headerWord1 = setup.headerWord1;
  c.headerWord2 = setup.headerWord2;
  c.editMeasure = setup.editMeasure;
  c.muted = setup.muted;
  for (int i = 0; i < kStoredMeasures; ++i) {
    const Measure& from = setup.measures[i];
    MeasureContent& to = c.measures[i];
    to.nextMeasure = from.nextMeasure;
    to.repeatCount = from.repeatCount;
    for (int j = 0; j < kSteps; ++j) {
      const Step& s = from.steps[j];
      to.steps[j] = StepValues{s.on, s.pitch, s.sound, s.volume, s.pan, s.aux};
    }
  }
  c.stepsPerMeasure = setup.stepsPerMeasure;
  c.polyphonic = setup.polyphonic;
  c.masterVolume = setup.masterVolume;
  c.masterPitch = setup.masterPitch;
  c.soundDir = setup.soundDir;
  c.swing = setup.swing;
  c.ownRate = setup.ownRate;
  return c;
}

// Voice bindings stay as they are: the sound list is rebuilt after a load and
// re-binds every voice then.
void Apply(FileContent& c, Setup& setup) {
  setup.tempoUnit = c.tempoUnit;
  setup.tempo = c.tempo;
  setup.headerWord1 = c.headerWord1;
  setup.headerWord2 = c.headerWord2;
  setup.editMeasure = c.editMeasure;
  setup.muted = c.muted;
  for (int i = 0; i < kStoredMeasures; ++i) {
    const MeasureContent& from = c.measures[i];
    Measure& to = setup.measures[i];
    to.nextMeasure = from.nextMeasure;
    to.repeatCount = from.repeatCount;
    for (int j = 0; j < kSteps; ++j) {
      const StepValues& s = from.steps[j];
      Step& t = to.steps[j];
      t.on = s.on;
      t.pitch = s.pitch;
      t.sound = s.sound;
      t.volume = s.volume;
      t.pan = s.pan;
      t.aux = s.aux;
    }
  }
  setup.stepsPerMeasure = c.stepsPerMeasure;
  setup.polyphonic = c.polyphonic;
  setup.masterVolume = c.masterVolume;
  setup.masterPitch = c.masterPitch;
  setup.soundDir.swap(c.soundDir);  // cannot fail half-way
  setup.swing = c.swing;
  setup.ownRate = static_cast<uint8_t>(c.ownRate);
}

// The rest of the program relies on these ranges (indices into the measures,
// the step columns, the pitch table), so a file cannot be allowed to break
// them. Values the program itself can produce, which is all a file it wrote
// holds, are kept.
void BringIntoRange(FileContent& c) {
  if (c.tempoUnit != 0 && c.tempoUnit != 1) c.tempoUnit = 0;
  // No usable tempo at all: the default. A usable one beyond the tempo
  // field's limits: the nearer limit.
  if (!std::isfinite(c.tempo) || c.tempo <= 0.0) {
    c.tempo = kDefaultTempo;
  } else {
    c.tempo = std::clamp(c.tempo, kMinTempo, kMaxTempo);
  }
  if (c.editMeasure < 0 || c.editMeasure >= kStoredMeasures) c.editMeasure = 0;
  c.muted = c.muted != 0 ? 1 : 0;
  c.polyphonic = c.polyphonic != 0 ? 1 : 0;
  for (int i = 0; i < kStoredMeasures; ++i) {
    MeasureContent& m = c.measures[i];
    // A broken link becomes a self-link, the chain's neutral state.
    if (m.nextMeasure < 0 || m.nextMeasure >= kStoredMeasures) m.nextMeasure = static_cast<int16_t>(i);
    m.repeatCount = Int16InRange(m.repeatCount, kRepeatCountMin, kRepeatCountMax);
    for (StepValues& s : m.steps) s = StepValuesInRange(s);
  }
  c.stepsPerMeasure = std::clamp<int32_t>(c.stepsPerMeasure, 1, kSteps);
  c.masterVolume = Int16InRange(c.masterVolume, 0, kMasterVolumeMax);
  c.masterPitch = Int16InRange(c.masterPitch, kMasterPitchMin, kMasterPitchMax);
  c.swing = Int16InRange(c.swing, kSwingOff, kSwingMax);
  c.ownRate = c.ownRate != 0 ? 1 : 0;
}

void PutString(ByteWriter& out, const std::string& text) {
  const size_t n = text.size();
  if (n < 255) {
    out.PutU8(static_cast<uint8_t>(n));
  } else if (n < 65534) {
    out.PutU8(0xFF);
    out.PutU16(static_cast<uint16_t>(n));
  } else {
    out.PutU8(0xFF);
    out.PutU16(0xFFFF);
    out.PutU32(static_cast<uint32_t>(n));
  }
  out.PutBytes(text.data(), n);
}

// One length prefix in any of its three forms, or the 16-bit-character marker.
bool GetLengthPrefix(ByteReader& in, uint32_t& length, bool& wideMarker) {
  wideMarker = false;
  uint8_t first;
  if (!in.GetU8(first)) return false;
  if (first != 0xFF) {
    length = first;
    return true;
  }
  uint16_t second;
  if (!in.GetU16(second)) return false;
  if (second == 0xFFFE) {
    wideMarker = true;
    return true;
  }
  if (second != 0xFFFF) {
    length = second;
    return true;
  }
  return in.GetU32(length);
}

// Lengths are checked against the bytes left before anything is allocated, so
// a hostile prefix costs nothing.
bool GetString(ByteReader& in, std::string& text) {
  uint32_t length;
  bool wide;
  if (!GetLengthPrefix(in, length, wide)) return false;
  if (!wide) {
    if (length > in.Remaining()) return false;
    std::string bytes(length, '\0');
    if (length != 0 && !in.GetBytes(&bytes[0], length)) return false;
    text = std::move(bytes);
    return true;
  }
  // The marker announces one string of UTF-16 units; a second marker in a
  // row is not a string at all.
  if (!GetLengthPrefix(in, length, wide) || wide) return false;
  if (uint64_t{length} * 2 > in.Remaining()) return false;
  std::vector<uint8_t> raw(size_t{length} * 2);
  if (length != 0 && !in.GetBytes(raw.data(), raw.size())) return false;
  std::u16string units(length, u'\0');
  for (size_t i = 0; i < length; ++i) {
    units[i] = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
  }
  text = Utf16ToWindows1252(units);
  return true;
}

// Takes the fields it knows from a whole trailer and leaves whatever later
// fields follow unread. Anything else behind the folder (another tag, a
// length the file cannot hold, fields cut short) is not a trailer of ours:
// it is ignored and the rest of the file stands.
void GetTrailer(ByteReader& in, FileContent& c) {
  char tag[sizeof kTrailerTag];
  uint32_t length;
  int16_t swing, ownRate;
  if (in.Remaining() < sizeof tag + 4 || !in.GetBytes(tag, sizeof tag) ||
      std::memcmp(tag, kTrailerTag, sizeof tag) != 0 || !in.GetU32(length)) {
    return;
  }
  if (length > in.Remaining() || length < kTrailerFieldBytes) return;
  if (!in.GetI16(swing) || !in.GetI16(ownRate)) return;
  c.swing = swing;
  c.ownRate = ownRate;
}

bool GetStepValues(ByteReader& in, StepValues& s) {
  return in.GetI16(s.pitch) && in.GetI16(s.sound) && in.GetI16(s.volume) && in.GetI16(s.pan);
}

// One pass over any version; each older difference is decided where it is
// reached. Every test asks "older than" (or "exactly 2.0"), so a version that
// compares false against everything (NaN) takes the current layout.
bool Parse(ByteReader& in, FileContent& c, SetupFileWindowState& window, float& version) {
  float v;
  if (!in.GetF32(v)) return false;
  version = v;
  // Swing and own rate live in the trailer only: without it both are off.
  c.swing = static_cast<int16_t>(kSwingOff);
  c.ownRate = 0;

  if (!in.GetI16(c.tempoUnit) || !in.GetF64(c.tempo) || !in.GetI32(c.headerWord1) ||
      !in.GetI16(c.headerWord2) || !in.GetI16(c.editMeasure) || !in.GetI32(c.muted) ||
      !in.GetU32(window.schemeColor)) {
    return false;
  }
  if (v < kCompactLayout) {
    // A second scheme colour replaces the first, then the highlightText colour.
    if (!in.GetU32(window.schemeColor) || !in.GetU32(window.highlightTextColor)) return false;
    window.hasHighlightText = true;
  }

  for (int i = 0; i < kStoredMeasures; ++i) {
    MeasureContent& m = c.measures[i];
    int32_t unused32;
    if (v < kCompactLayout && !in.GetI32(unused32)) return false;
    if (v < kChainedMeasures) {
      int16_t unused16;
      if (!in.GetI16(unused16)) return false;
      m.nextMeasure = static_cast<int16_t>(i);
      m.repeatCount = 1;
    } else if (!in.GetI16(m.nextMeasure) || !in.GetI16(m.repeatCount)) {
      return false;
    }
    for (StepValues& s : m.steps) {
      if (!GetStepValues(in, s)) return false;
      if (v < kCompactLayout) {
        int32_t onFlag, auxCode;
        if (!in.GetI32(onFlag) || !in.GetI32(auxCode)) return false;
        s.on = onFlag != 0 ? 1 : 0;
        s.aux = auxCode == 1 ? 0 : 127;
      } else if (!in.GetI16(s.aux) || !in.GetI16(s.on)) {
        return false;
      }
    }
  }

  if (v < kCompactLayout) {
    // The whole window rectangle; the step count follows from its width. In
    // 64 bits, since the rectangle may hold anything.
    int32_t left, top, right, bottom;
    if (!in.GetI32(left) || !in.GetI32(top) || !in.GetI32(right) || !in.GetI32(bottom)) return false;
    window.left = left;
    window.top = top;
    const int64_t width = int64_t{right} - left;
    const int64_t columns = v < kNarrowColumns ? (width - 122) / 35 : (width - 110) / 30;
    c.stepsPerMeasure = static_cast<int32_t>(std::clamp<int64_t>(columns, 1, kSteps));
    if (v < kMonoFlag) {
      c.polyphonic = 0;
    } else {
      int32_t mono;
      if (!in.GetI32(mono)) return false;
      c.polyphonic = mono == 0 ? 1 : 0;
    }
    // masterVolume, masterPitch and soundDir keep their current values.
    return true;
  }

  if (!in.GetI32(window.left) || !in.GetI32(window.top) || !in.GetI32(c.stepsPerMeasure) ||
      !in.GetI32(c.polyphonic)) {
    return false;
  }
  if (v == kCompactLayout) {
    c.masterVolume = 80;
    c.masterPitch = 0;
  } else if (!in.GetI16(c.masterVolume) || !in.GetI16(c.masterPitch)) {
    return false;
  }
  if (v < kSetupFileVersion) return true;  // soundDir keeps its current value
  if (!GetString(in, c.soundDir)) return false;
  GetTrailer(in, c);
  return true;
}

// A failed read leaves the Setup exactly as it was (filePath and fileVersion
// included): the file is read into a copy that starts from the current values,
// which the older layouts keep in part, and the Setup takes it over only when
// the whole file has been read.
bool ParseInto(Setup& setup, ByteSource& source, const std::string* path,
               SetupFileWindowState* windowOut) {
  try {
    std::string newPath = path ? *path : setup.filePath;
    FileContent content = Capture(setup);
    SetupFileWindowState window;
    float version = 0.0f;
    ByteReader in(source);
    if (!Parse(in, content, window, version)) return false;
    BringIntoRange(content);
    Apply(content, setup);
    setup.fileVersion = version;
    setup.filePath.swap(newPath);
    if (windowOut) *windowOut = window;
    return true;
  } catch (const std::exception&) {
    return false;  // a string too long for memory: only a huge file can claim one
  }
}

}  // namespace

std::vector<uint8_t> EncodeSetupFile(const Setup& setup, const SetupFileWindowState& window) {
  const FileContent c = Capture(setup);
  ByteWriter out;
  out.PutF32(kSetupFileVersion);
  out.PutI16(c.tempoUnit);
  out.PutF64(c.tempo);
  out.PutI32(c.headerWord1);
  out.PutI16(c.headerWord2);
  out.PutI16(c.editMeasure);
  out.PutI32(c.muted);
  out.PutU32(window.schemeColor);
  for (const MeasureContent& m : c.measures) {
    out.PutI16(m.nextMeasure);
    out.PutI16(m.repeatCount);
    for (const StepValues& s : m.steps) {
      out.PutI16(s.pitch);
      out.PutI16(s.sound);
      out.PutI16(s.volume);
      out.PutI16(s.pan);
      out.PutI16(s.aux);
      out.PutI16(s.on);
    }
  }
  out.PutI32(window.left);
  out.PutI32(window.top);
  out.PutI32(c.stepsPerMeasure);
  out.PutI32(c.polyphonic);
  out.PutI16(c.masterVolume);
  out.PutI16(c.masterPitch);
  PutString(out, c.soundDir);
  if (c.swing != kSwingOff || c.ownRate != 0) {
    out.PutBytes(kTrailerTag, sizeof kTrailerTag);
    out.PutU32(kTrailerFieldBytes);
    out.PutI16(c.swing);
    out.PutI16(c.ownRate);
  }
  return out.TakeBytes();
}

bool WriteSetupFile(Setup& setup, const std::string& path, const SetupFileWindowState& window) {
  setup.filePath = path;
  try {
    return WriteFileAtomically(path, EncodeSetupFile(setup, window));
  } catch (const std::exception&) {
    return false;  // out of memory
  }
}

bool ReadSetupFile(Setup& setup, const std::string& path, SetupFileWindowState* window) {
  FileByteSource source;
  if (!source.Open(path)) return false;
  return ParseInto(setup, source, &path, window);
}

bool ParseSetupFile(Setup& setup, const uint8_t* data, size_t size, SetupFileWindowState* window) {
  MemoryByteSource source(data, size);
  return ParseInto(setup, source, nullptr, window);
}
