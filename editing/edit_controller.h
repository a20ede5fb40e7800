// Turns the main window's control events into edits of the Setup: decodes
// control identifiers, keeps the one-level undo, randomizes and rotates the
// edited measure, loads measures into the step columns and shows the global
// values on their controls. Interface thread only.
#pragma once

#include "editing/editor_view.h"
#include "model/setup.h"
#include "playback/sequencer.h"
#include "playback/transport_ports.h"

class EditController {
public:
    // Stores the collaborators, gives the Setup its owner, loads measure 0
    // into the step columns.
    void AttachEditor(EditorView& view, Setup& setup, void* owner, Sequencer& sequencer, VoiceBinder& voices);
    bool IsReady() const { return ready_; }

    // A left press on a control: the undo snapshot, for editing controls.
    void BeginEdit(int id);
    // The control's new state becomes the Setup's.
    void ApplyControl(int id);
    // A right press: reset to a default, or open a popup or menu.
    void AlternateAction(int id);

    void ShowMeasure(int measure);
    // Shows the measure's steps in the columns; each sound control takes
    // every index of the sound list (at least 0..127) and its step's own
    // sound, so it shows what the step holds and steps on from there.
    void RefreshColumns(int measure);
    // Only the sound controls' ranges, whenever the sound list changes: a
    // whole refresh of the columns costs start-up a noticeable time.
    void RefreshSoundRanges(int measure);
    void SetTempo(double tempo);
    void SetMasterVolume(int value);
    void SetMasterPitch(int value);

    void TakeUndoSnapshot();
    void UndoLastEdit();
    void RandomizeMeasure();
    // direction > 0 rotates the active steps right, otherwise left.
    void ShiftSteps(int direction);

private:
    void ApplyStepValue(int column, int kind);
    // The master pitch into the Setup; sounding voices follow it.
    void StoreMasterPitch(int value);
    void RebindVoice(int measure, int step);
    Step& EditedStep(int step);

    EditorView* view_ = nullptr;
    Setup* setup_ = nullptr;
    Sequencer* sequencer_ = nullptr;
    int SoundControlMax() const;
    VoiceBinder* voices_ = nullptr;
    bool ready_ = false;
};
