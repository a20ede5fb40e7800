#include "editing/edit_controller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "editing/control_ids.h"
#include "tests/playback/transport_fakes.h"

namespace {

// The panels as the controller sees them: controls that clamp to their ranges.
class ModelView : public EditorView {
public:
    int Clamp(int c, int kind, int v) {
        const int low = kind == KIND_ON ? 0 : kind == KIND_PITCH ? -59 : 0;
        const int high = kind == KIND_ON ? 1 : kind == KIND_PITCH ? 67 : kind == KIND_SOUND ? SoundMax(c) : 127;
        return std::max(low, std::min(high, v));
    }
    void SetStepControl(int c, int kind, int v) override { steps[{c, kind}] = Clamp(c, kind, v); }
    void SetSoundControlMax(int c, int max) override { soundMax[c] = max; }
    int SoundMax(int c) const { return soundMax.count(c) ? soundMax.at(c) : 127; }
    int StepControlValue(int c, int kind) override { return steps[{c, kind}]; }
    void HoldColumnRedraw(int, bool hold) override { holds += hold ? 1 : 0; }
    void ColumnHandleEvent(int, int) override {}
    void ShowValueReadout(int v) override { readout = std::to_string(v); }
    int StripSelection() override { return selection; }
    void StripSelectButton(int id) override { selection = id - ID_MEASURE_FIRST; }
    void StripMarkSelected(int m) override { marked = m; }
    void GlobalControlHandleEvent(int) override {}
    double TempoFieldValue() override { return tempo; }
    void SetTempoFieldValue(double t) override { tempo = t; }
    int MasterVolumeDialValue() override { return volume; }
    void SetMasterVolumeDial(int v) override { volume = std::max(0, std::min(100, v)); }
    int MasterPitchDialValue() override { return pitch; }
    void SetMasterPitchDial(int v) override { pitch = std::max(-59, std::min(67, v)); }
    bool MuteButtonPressed() override { return mutePressed; }
    void SetMuteButton(bool pressed) override { mutePressed = pressed; }
    void OpenChainPopup(int m) override { opened.push_back("chain " + std::to_string(m)); }
    void OpenSoundMenu(int c) override { opened.push_back("sounds " + std::to_string(c)); }
    void OpenPanelMenu(int menu, int) override { opened.push_back("menu " + std::to_string(menu)); }
    bool IsShiftDown() override { return shift; }
    bool IsAltDown() override { return alt; }

    std::map<std::pair<int, int>, int> steps;
    std::map<int, int> soundMax;
    std::string readout;
    int selection = 0, marked = -1, holds = 0, volume = 0, pitch = 0;
    double tempo = 0;
    bool mutePressed = true, shift = false, alt = false;
    std::vector<std::string> opened;
};

class RecordingVoices : public VoiceBinder {
public:
    long AssignSound(int m, int s, int sound) override {
        calls.push_back({m, s, sound});
        return 0;
    }
    void RetunePlayingVoices() override { retunedAt.push_back(setup->masterPitch); }
    struct Call {
        int measure, step, sound;
    };
    std::vector<Call> calls;
    const ::Setup* setup = nullptr;
    std::vector<int> retunedAt;  // the master pitch at each retuning
};

class EditControllerTest : public ::testing::Test {
protected:
    EditControllerTest() {
        auto owned = std::make_unique<SimulatedClock>();
        clock = owned.get();
        recorder = std::make_unique<TransportRecorder>(*clock);
        sequencer.Prepare(setup, *recorder, *recorder, *recorder, std::move(owned));
        controller.AttachEditor(view, setup, this, sequencer, voices);
        voices.setup = &setup;
        setup.modified = 0;
    }

    // A user's drag or click on a step column part: press, then release with
    // the control showing `value`.
    void Edit(int column, int kind, int value) {
        const int id = ColumnControlId(column, kind);
        controller.BeginEdit(id);
        view.SetStepControl(column, kind, value);
        controller.ApplyControl(id);
    }
    int Value(int measure, int step, int kind) { return GetStepValue(setup.StepAddress(measure, step), kind); }

    ::Setup setup;  // the fixture's own Setup() hides the type inside the class
    ModelView view;
    RecordingVoices voices;
    SimulatedClock* clock = nullptr;
    std::unique_ptr<TransportRecorder> recorder;
    Sequencer sequencer;
    EditController controller;
};

TEST(ControlIds, ColumnIdentifiersDecodeIntoColumnAndKind) {
    ColumnControl c;
    ASSERT_TRUE(DecodeColumnControl(10000 + 100 * 3 + 42, &c));
    EXPECT_EQ(c.column, 3);
    EXPECT_EQ(c.kind, 40);
    ASSERT_TRUE(DecodeColumnControl(11510, &c));
    EXPECT_EQ(c.column, 15);
    EXPECT_EQ(c.kind, KIND_ON);
    EXPECT_FALSE(DecodeColumnControl(10071, &c)) << "between two columns' ranges";
    EXPECT_FALSE(DecodeColumnControl(11600, &c));
    EXPECT_FALSE(DecodeColumnControl(9999, &c));
}

TEST_F(EditControllerTest, AttachLoadsMeasureZeroIntoTheColumns) {
    EXPECT_TRUE(controller.IsReady());
    EXPECT_EQ(setup.owner, this);
    EXPECT_EQ(view.StepControlValue(5, KIND_SOUND), 5);
    EXPECT_EQ(view.StepControlValue(5, KIND_VOLUME), 110);
    EXPECT_EQ(view.holds, 16);
}

TEST_F(EditControllerTest, StepEditsSpreadWithShiftRelativeOrAbsoluteOverActiveSteps) {
    setup.stepsPerMeasure = 8;
    setup.StepAddress(0, 1).volume = 10;
    Edit(3, KIND_VOLUME, 90);
    EXPECT_EQ(Value(0, 3, KIND_VOLUME), 90);
    EXPECT_EQ(view.readout, "90");
    EXPECT_EQ(Value(0, 0, KIND_VOLUME), 110) << "no spread without Shift";
    EXPECT_EQ(setup.modified, 1);

    view.shift = true;
    Edit(3, KIND_VOLUME, 70);  // 20 down
    EXPECT_EQ(Value(0, 0, KIND_VOLUME), 90);
    EXPECT_EQ(Value(0, 1, KIND_VOLUME), 0) << "clamped by the control";
    EXPECT_EQ(Value(0, 7, KIND_VOLUME), 90);
    EXPECT_EQ(Value(0, 8, KIND_VOLUME), 110) << "beyond the active steps";

    view.alt = true;
    Edit(3, KIND_VOLUME, 90);
    for (int s = 0; s < 8; ++s) EXPECT_EQ(Value(0, s, KIND_VOLUME), 90) << s;
    EXPECT_EQ(Value(0, 12, KIND_VOLUME), 110);
}

TEST_F(EditControllerTest, ShiftClickOnOnOffFlipsEveryActiveStep) {
    setup.stepsPerMeasure = 4;
    for (int s = 0; s < 4; ++s) setup.StepAddress(0, s).on = s % 2 == 0;
    controller.RefreshColumns(0);
    view.shift = true;
    Edit(0, KIND_ON, 0);
    EXPECT_EQ(Value(0, 0, KIND_ON), 0);
    EXPECT_EQ(Value(0, 1, KIND_ON), 1);
    EXPECT_EQ(Value(0, 2, KIND_ON), 0);
    EXPECT_EQ(Value(0, 3, KIND_ON), 1);
    EXPECT_EQ(Value(0, 4, KIND_ON), 1) << "inactive step untouched";
}

TEST_F(EditControllerTest, SoundEditsRebindVoicesIncludingSpreadSteps) {
    setup.stepsPerMeasure = 3;
    view.shift = true;
    Edit(1, KIND_SOUND, 7);  // +6
    ASSERT_EQ(voices.calls.size(), 3u);
    EXPECT_EQ(voices.calls[0].step, 1);
    EXPECT_EQ(voices.calls[0].sound, 7);
    EXPECT_EQ(voices.calls[1].step, 0);
    EXPECT_EQ(voices.calls[1].sound, 6);
    EXPECT_EQ(voices.calls[2].sound, 8);

    // The sound controls take every index of the list, at least 0..127, and
    // the index their step holds: a step shows its own sound and steps on
    // from it, whatever the list.
    EXPECT_EQ(view.SoundMax(0), 127);
    for (int i = 0; i < 200; ++i) setup.soundNames.push_back("s" + std::to_string(i) + ".wav");
    controller.RefreshSoundRanges(0);  // as after every load of the list
    EXPECT_EQ(view.SoundMax(0), 199);
    setup.StepAddress(0, 4).sound = 250;  // from a setup file made with a longer list
    controller.ShowMeasure(0);  // as opening it does
    EXPECT_EQ(view.SoundMax(4), 250);
    EXPECT_EQ(view.StepControlValue(4, KIND_SOUND), 250);
    view.shift = false;
    Edit(2, KIND_SOUND, 180);
    EXPECT_EQ(Value(0, 2, KIND_SOUND), 180);
    view.SetStepControl(2, KIND_SOUND, view.StepControlValue(2, KIND_SOUND) + 1);  // an up arrow
    controller.ApplyControl(ColumnControlId(2, KIND_SOUND));
    EXPECT_EQ(Value(0, 2, KIND_SOUND), 181);
    Edit(2, KIND_SOUND, 400);
    EXPECT_EQ(Value(0, 2, KIND_SOUND), 199) << "no further than the list";
    Edit(4, KIND_SOUND, 249);
    EXPECT_EQ(Value(0, 4, KIND_SOUND), 249);

    // A shorter list: back to 0..127 where the step holds less.
    setup.soundNames.resize(3);
    controller.RefreshSoundRanges(0);
    EXPECT_EQ(view.SoundMax(0), 127);
    EXPECT_EQ(view.StepControlValue(2, KIND_SOUND), 199);
    EXPECT_EQ(view.SoundMax(2), 199);
    EXPECT_EQ(view.SoundMax(3), 127);
}

TEST_F(EditControllerTest, RightPressOnPanCentresAndUndoToggles) {
    setup.StepAddress(0, 5).pan = 20;
    controller.RefreshColumns(0);
    controller.AlternateAction(ColumnControlId(5, 51));
    EXPECT_EQ(Value(0, 5, KIND_PAN), 64);
    EXPECT_EQ(view.StepControlValue(5, KIND_PAN), 64);
    EXPECT_EQ(setup.undoMeasure, 0);
    controller.UndoLastEdit();
    EXPECT_EQ(Value(0, 5, KIND_PAN), 20);
    EXPECT_EQ(view.StepControlValue(5, KIND_PAN), 20);
    controller.UndoLastEdit();
    EXPECT_EQ(Value(0, 5, KIND_PAN), 64);
}

TEST_F(EditControllerTest, RightPressesOnMasterDialsResetThemAndOthersOpenThings) {
    controller.SetMasterVolume(30);
    controller.SetMasterPitch(12);
    controller.AlternateAction(1052);
    EXPECT_EQ(setup.masterVolume, 80);
    EXPECT_EQ(view.volume, 80);
    EXPECT_EQ(setup.undoMasterVolume, 30);
    controller.AlternateAction(1060);
    EXPECT_EQ(setup.masterPitch, 0);
    EXPECT_EQ(view.pitch, 0);
    // The master pitch transposes what sounds: voices ringing are retuned at
    // every change, by the dial, its reset and Undo alike.
    view.pitch = -7;
    controller.BeginEdit(1064);
    controller.ApplyControl(1064);
    EXPECT_EQ(setup.masterPitch, -7);
    controller.UndoLastEdit();
    EXPECT_EQ(setup.masterPitch, 0);
    EXPECT_EQ(voices.retunedAt, (std::vector<int>{12, 0, -7, 0}));
    controller.AlternateAction(20004);
    controller.AlternateAction(ColumnControlId(2, 33));
    controller.AlternateAction(ColumnControlId(2, 41));  // nothing
    EXPECT_EQ(view.opened, (std::vector<std::string>{"chain 3", "sounds 2"}));
}

TEST_F(EditControllerTest, UndoSwapsGlobalValuesAndOnlyItsOwnMeasure) {
    controller.SetTempo(126);
    setup.editMeasure = 2;
    Edit(0, KIND_PITCH, 5);
    controller.ShowMeasure(5);
    Edit(0, KIND_PITCH, -7);  // the undo buffer now holds measure 5
    controller.SetTempo(90);
    controller.UndoLastEdit();
    EXPECT_EQ(Value(5, 0, KIND_PITCH), 0);
    EXPECT_EQ(Value(2, 0, KIND_PITCH), 5);
    EXPECT_EQ(setup.tempo, 126.0);
    EXPECT_EQ(view.tempo, 126.0);
    controller.UndoLastEdit();
    EXPECT_EQ(Value(5, 0, KIND_PITCH), -7);
    EXPECT_EQ(setup.tempo, 90.0);

    // On another measure Undo is grey, and does nothing at all.
    controller.ShowMeasure(1);
    controller.SetTempo(100);
    controller.UndoLastEdit();
    EXPECT_EQ(Value(5, 0, KIND_PITCH), -7);
    EXPECT_EQ(Value(1, 0, KIND_PITCH), 0);
    EXPECT_EQ(setup.tempo, 100.0);
    EXPECT_EQ(setup.undoTempo, 126.0);
    // Nor before the first edit.
    setup.undoMeasure = -1;
    controller.ShowMeasure(5);
    controller.UndoLastEdit();
    EXPECT_EQ(Value(5, 0, KIND_PITCH), -7);
    EXPECT_EQ(setup.tempo, 100.0);
}

TEST_F(EditControllerTest, UndoRestoresMuteAndDoesNotMarkModified) {
    controller.BeginEdit(ID_MUTE);  // snapshot with sound on
    setup.muted = 1;
    view.mutePressed = false;
    setup.modified = 0;
    recorder->events.clear();
    controller.UndoLastEdit();
    EXPECT_EQ(setup.muted, 0);
    EXPECT_TRUE(view.mutePressed);
    EXPECT_EQ(setup.undoMuted, 1);
    EXPECT_EQ(setup.modified, 0);
    // The voices follow: back to their volumes, and silenced by a second Undo.
    EXPECT_EQ(recorder->Only("reapply").size(), 1u);
    EXPECT_TRUE(recorder->Only("silence").empty());
    recorder->events.clear();
    controller.UndoLastEdit();
    EXPECT_EQ(setup.muted, 1);
    EXPECT_FALSE(view.mutePressed);
    EXPECT_EQ(recorder->Only("silence").size(), 1u);
    EXPECT_TRUE(recorder->Only("reapply").empty());
    EXPECT_EQ(setup.modified, 0);
}

TEST_F(EditControllerTest, ShiftRotatesOnlyTheActiveStepsAndRebindsTheirVoices) {
    setup.stepsPerMeasure = 4;
    controller.ShiftSteps(+1);
    std::vector<int> sounds;
    for (int s = 0; s < 5; ++s) sounds.push_back(Value(0, s, KIND_SOUND));
    EXPECT_EQ(sounds, (std::vector<int>{3, 0, 1, 2, 4}));
    ASSERT_EQ(voices.calls.size(), 4u);
    EXPECT_EQ(voices.calls.front().step, 3) << "re-bound from the last active step down";
    EXPECT_EQ(voices.calls.back().step, 0);
    EXPECT_EQ(view.StepControlValue(0, KIND_SOUND), 3);

    controller.ShiftSteps(-1);
    controller.ShiftSteps(-1);
    sounds.clear();
    for (int s = 0; s < 5; ++s) sounds.push_back(Value(0, s, KIND_SOUND));
    EXPECT_EQ(sounds, (std::vector<int>{1, 2, 3, 0, 4}));
}

TEST_F(EditControllerTest, RandomizeDrawsInOrderWithinRangesAndKeepsOnOff) {
    setup.StepAddress(0, 4).on = 0;
    std::srand(7);
    controller.RandomizeMeasure();
    for (int s = 0; s < 16; ++s) {
        EXPECT_EQ(Value(0, s, KIND_SOUND), 0) << "no sounds loaded";
        EXPECT_GE(Value(0, s, KIND_PITCH), -60);
        EXPECT_LE(Value(0, s, KIND_PITCH), 67);
    }
    EXPECT_EQ(Value(0, 4, KIND_ON), 0);

    setup.soundNames = {"a.wav", "b.wav", "c.wav"};
    std::srand(11);
    controller.RandomizeMeasure();
    std::vector<int> first;
    for (int s = 0; s < 16; ++s)
        for (int kind : {KIND_PITCH, KIND_SOUND, KIND_VOLUME, KIND_PAN, KIND_AUX}) first.push_back(Value(0, s, kind));
    std::srand(11);
    const int pitch0 = std::rand() % 128 - 60;
    const int sound0 = std::rand() % 3;
    EXPECT_EQ(first[0], pitch0);
    EXPECT_EQ(first[1], sound0);
    std::srand(11);
    controller.RandomizeMeasure();
    std::vector<int> again;
    for (int s = 0; s < 16; ++s)
        for (int kind : {KIND_PITCH, KIND_SOUND, KIND_VOLUME, KIND_PAN, KIND_AUX}) again.push_back(Value(0, s, kind));
    EXPECT_EQ(first, again);
}

TEST_F(EditControllerTest, MeasureButtonsAndThePlayButtonTakeNoSnapshot) {
    controller.BeginEdit(20003);
    controller.BeginEdit(ID_PLAY);
    controller.BeginEdit(ID_FILE_MENU);
    EXPECT_EQ(setup.undoMeasure, -1);
    EXPECT_EQ(setup.modified, 0);

    controller.ApplyControl(20001);  // already selected
    EXPECT_EQ(setup.modified, 0);
    controller.ApplyControl(20003);
    EXPECT_EQ(setup.editMeasure, 2);
    EXPECT_EQ(view.marked, 2);
    EXPECT_EQ(setup.modified, 1);
    EXPECT_EQ(view.StepControlValue(0, KIND_SOUND), 0);
}

TEST_F(EditControllerTest, TempoFieldMarksModifiedOnlyWhenTheValueChanges) {
    view.tempo = 126.0;
    controller.ApplyControl(1005);
    EXPECT_EQ(setup.modified, 0);
    view.tempo = 140.0;
    sequencer.StartPlayback();
    controller.ApplyControl(1007);
    EXPECT_EQ(setup.tempo, 140.0);
    EXPECT_EQ(setup.modified, 1);
    // Taken over by playback at its next step.
    const size_t before = recorder->Only("trigger").size();
    clock->RunUntil(clock->now + 120);
    EXPECT_EQ(recorder->Only("trigger").size(), before + 1);
}

}  // namespace
