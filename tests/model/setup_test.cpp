#include "model/setup.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// Inside TEST bodies `Setup` names googletest's misspelling trap; hence ::Setup.

namespace {

const int kKinds[] = {KIND_ON, KIND_PITCH, KIND_SOUND, KIND_VOLUME, KIND_PAN, KIND_AUX};

void BindVoice(Step& step, uintptr_t id) {
  step.voice = reinterpret_cast<IDirectSoundBuffer*>(id);
  step.voiceWord1 = 11;
  step.voiceWord2 = 22;
  step.voiceReady = 1;
}

// The voice id, or 0 when every part of the binding is clear.
uintptr_t BoundVoice(const Step& step) {
  if (step.voice.Load() == nullptr) {
    EXPECT_EQ(step.voiceWord1 + step.voiceWord2 + step.voiceReady, 0u);
    return 0;
  }
  EXPECT_EQ(step.voiceWord1, 11u);
  EXPECT_EQ(step.voiceReady, 1);
  return reinterpret_cast<uintptr_t>(step.voice.Load());
}

}  // namespace

TEST(NewSetup, PlayableMeasuresSoundEveryStepInOrder) {
  ::Setup setup;
  const Step& s = setup.StepAddress(0, 5);
  EXPECT_EQ(s.on, 1);
  EXPECT_EQ(s.pitch, 0);
  EXPECT_EQ(s.sound, 5);
  EXPECT_EQ(s.volume, 110);
  EXPECT_EQ(s.pan, 64);
  EXPECT_EQ(s.aux, 64);
  EXPECT_EQ(BoundVoice(s), 0u);
  EXPECT_EQ(setup.StepAddress(7, 15).sound, 15);
  EXPECT_EQ(setup.measures[3].GetNextMeasure(), 3);
  EXPECT_EQ(setup.measures[3].GetRepeatCount(), 1);
}

TEST(NewSetup, GlobalsAndSpareRecordsKeepConstructionDefaults) {
  ::Setup setup;
  EXPECT_EQ(setup.stepsPerMeasure, 16);
  EXPECT_EQ(setup.tempo, 126.0);
  EXPECT_EQ(setup.masterVolume, 80);
  EXPECT_EQ(setup.undoMeasure, -1);
  EXPECT_EQ(setup.highResTimer, 1);
  EXPECT_EQ(setup.headerWord2, 1);
  for (int m : {Setup::kCopyBufferMeasure, Setup::kUndoBufferMeasure}) {
    const Step& s = setup.StepAddress(m, 5);
    EXPECT_EQ(s.sound, 0);
    EXPECT_EQ(s.volume, 100);
    EXPECT_EQ(s.aux, 30);
    EXPECT_EQ(setup.measures[m].nextMeasure, 0);
    EXPECT_EQ(setup.measures[m].repeatCount, 1);
  }
}

TEST(NewSetup, StepAddressClampsIndicesToTheRecords) {
  ::Setup setup;
  EXPECT_EQ(&setup.StepAddress(9, 15), &setup.measures[9].steps[15]);
  EXPECT_EQ(&setup.StepAddress(-1, -1), &setup.measures[0].steps[0]);
  EXPECT_EQ(&setup.StepAddress(10, 1000), &setup.measures[9].steps[15]);
}

TEST(StepValues, KindSelectsTheFieldAndKeepsTheVoice) {
  Step step;
  BindVoice(step, 0x40);
  for (int i = 1; i < 6; ++i) SetStepValue(step, kKinds[i], -3 + 20 * i);
  EXPECT_EQ(step.pitch, 17);
  EXPECT_EQ(step.sound, 37);
  EXPECT_EQ(step.volume, 57);
  EXPECT_EQ(step.pan, 77);
  EXPECT_EQ(step.aux, 97);
  for (int i = 1; i < 6; ++i) EXPECT_EQ(GetStepValue(step, kKinds[i]), -3 + 20 * i);
  EXPECT_EQ(BoundVoice(step), 0x40u);  // re-binding after a sound change is the engine's
}

TEST(StepValues, OnIsAlwaysZeroOrOneAndUnknownKindsAreIgnored) {
  Step step;
  SetStepValue(step, KIND_ON, 5);
  EXPECT_EQ(step.on, 1);
  SetStepValue(step, KIND_ON, 0);
  EXPECT_EQ(step.on, 0);
  step.on = -7;  // written past the accessor
  EXPECT_EQ(GetStepValue(step, KIND_ON), 1);
  for (int kind : {0, 15, 70, -10}) {
    SetStepValue(step, kind, 99);
    EXPECT_EQ(GetStepValue(step, kind), 0);
  }
  for (int kind : kKinds) EXPECT_NE(GetStepValue(step, kind), 99);
}

TEST(CopyStepValues, CopiesValuesAndDropsOnlyTheTargetVoice) {
  Step source, target;
  for (int i = 0; i < 6; ++i) SetStepValue(source, kKinds[i], i == 0 ? 0 : 10 * i - 30);
  BindVoice(source, 0x10);
  BindVoice(target, 0x20);
  CopyStepValues(target, source);
  for (int kind : kKinds) EXPECT_EQ(GetStepValue(target, kind), GetStepValue(source, kind)) << kind;
  EXPECT_EQ(BoundVoice(target), 0u);
  EXPECT_EQ(BoundVoice(source), 0x10u);

  CopyStepValues(source, source);  // onto itself: nothing at all
  EXPECT_EQ(BoundVoice(source), 0x10u);
  EXPECT_EQ(source.pitch, -20);
}

TEST(MeasureStream, RoundTripKeepsChainAndVoices) {
  ::Setup setup;
  Measure& from = setup.measures[2];
  for (int j = 0; j < 16; ++j) {
    const int values[] = {j % 2, 8 * j - 60, 2184 * j, 7 * j + 3, 7 * j + 4, 7 * j + 5};
    for (int i = 0; i < 6; ++i) SetStepValue(from.steps[j], kKinds[i], values[i]);
  }
  ByteArchive store;
  ASSERT_TRUE(from.SerializeMeasureSteps(store));
  ASSERT_EQ(store.StoredBytes().size(), 192u);

  Measure& to = setup.measures[5];
  BindVoice(to.steps[4], 0x44);
  ByteArchive load(store.StoredBytes().data(), store.StoredBytes().size());
  ASSERT_TRUE(to.SerializeMeasureSteps(load));
  for (int j = 0; j < 16; ++j) {
    for (int kind : kKinds) EXPECT_EQ(GetStepValue(to.steps[j], kind), GetStepValue(from.steps[j], kind));
  }
  EXPECT_EQ(to.nextMeasure, 5);
  EXPECT_EQ(to.repeatCount, 1);
  EXPECT_EQ(BoundVoice(to.steps[4]), 0x44u);
}

TEST(MeasureStream, OnComesFirstLittleEndianAndShortStreamsChangeNothing) {
  Measure m;
  m.steps[0].pitch = -2;
  m.steps[0].sound = 0x0102;
  m.steps[15].aux = 0x7F;
  ByteArchive store;
  m.SerializeMeasureSteps(store);
  const std::vector<uint8_t>& b = store.StoredBytes();
  const std::vector<uint8_t> head = {0x01, 0x00, 0xFE, 0xFF, 0x02, 0x01, 0x64, 0x00, 0x40, 0x00, 0x1E, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(b.begin(), b.begin() + 12), head);
  EXPECT_EQ(b[190], 0x7F);

  const std::vector<uint8_t> zeros(191, 0);
  ByteArchive load(zeros.data(), zeros.size());
  EXPECT_FALSE(m.SerializeMeasureSteps(load));
  EXPECT_EQ(m.steps[15].on, 1);
  EXPECT_EQ(m.steps[15].aux, 0x7F);

  // Another program's block under our name: what no control could store is
  // brought into the ranges a setup file's values are; the rest is kept.
  std::vector<uint8_t> foreign(192, 0);
  const int16_t wild[] = {-3, -61, -1, 128, -5, 32767, 1, 68, 32767, -32768, 200, 127};
  for (size_t i = 0; i < 12; ++i) {
    foreign[2 * i] = static_cast<uint8_t>(wild[i] & 0xFF);
    foreign[2 * i + 1] = static_cast<uint8_t>((wild[i] >> 8) & 0xFF);
  }
  ByteArchive pasted(foreign.data(), foreign.size());
  ASSERT_TRUE(m.SerializeMeasureSteps(pasted));
  const int ranged[] = {1, -60, 0, 127, 0, 127, 1, 67, 32767, 0, 127, 127};
  for (int i = 0; i < 12; ++i) EXPECT_EQ(GetStepValue(m.steps[i / 6], kKinds[i % 6]), ranged[i]) << i;
}
