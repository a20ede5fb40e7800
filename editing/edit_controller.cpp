#include "editing/edit_controller.h"

#include <algorithm>

#include "editing/control_ids.h"
#include "editing/random_below.h"
#include "model/value_ranges.h"

namespace {
constexpr int kKinds[] = {KIND_ON, KIND_PITCH, KIND_SOUND, KIND_VOLUME, KIND_PAN, KIND_AUX};
constexpr int kDefaultMasterVolume = 80;
constexpr int kDefaultMasterPitch = 0;
constexpr int kCentrePan = 64;
// The sound control's range while the sound list is short.
constexpr int kSoundControlMax = 127;
}  // namespace

void EditController::AttachEditor(EditorView& view, Setup& setup, void* owner, Sequencer& sequencer,
                                  VoiceBinder& voices) {
    view_ = &view;
    setup_ = &setup;
    sequencer_ = &sequencer;
    voices_ = &voices;
    setup.owner = owner;
    RefreshColumns(0);
    ready_ = true;
}

Step& EditController::EditedStep(int step) { return setup_->StepAddress(setup_->editMeasure, step); }

void EditController::RebindVoice(int measure, int step) {
    voices_->AssignSound(measure, step, setup_->StepAddress(measure, step).sound);
}

void EditController::BeginEdit(int id) {
    if (id == 0) return;
    // Menus and measure selection change no value. Neither does the play
    // button: a snapshot there would throw away the edit one wants to undo
    // after listening to it.
    if (id == ID_PLAY || InRange(id, ID_FILE_MENU, ID_OPTIONS_MENU)) return;
    if (InRange(id, ID_MEASURE_STRIP, ID_MEASURE_LAST)) return;
    TakeUndoSnapshot();
}

void EditController::TakeUndoSnapshot() {
    Measure& edited = setup_->measures[setup_->editMeasure];
    Measure& undo = setup_->measures[Setup::kUndoBufferMeasure];
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s) CopyStepValues(undo.steps[s], edited.steps[s]);
    setup_->undoTempo = setup_->tempo;
    setup_->undoMasterVolume = setup_->masterVolume;
    setup_->undoMasterPitch = setup_->masterPitch;
    setup_->undoMuted = setup_->muted;
    setup_->undoMeasure = setup_->editMeasure;
    setup_->modified = 1;
}

void EditController::ApplyControl(int id) {
    ColumnControl control;
    if (DecodeColumnControl(id, &control)) {
        view_->ColumnHandleEvent(control.column, id);
        if (control.kind != 0) ApplyStepValue(control.column, control.kind);
        return;
    }
    if (InRange(id, ID_MEASURE_STRIP, ID_MEASURE_LAST)) {
        const int before = view_->StripSelection();
        view_->StripSelectButton(id);
        const int selected = view_->StripSelection();
        ShowMeasure(selected);
        if (selected != before) setup_->modified = 1;
        sequencer_->OnMeasureSelected(selected);
        return;
    }
    if (InRange(id, ID_TEMPO_FIRST, ID_TEMPO_LAST)) {
        view_->GlobalControlHandleEvent(id);
        const double tempo = view_->TempoFieldValue();
        if (tempo != setup_->tempo) setup_->modified = 1;
        setup_->tempo = tempo;
        if (sequencer_->IsRunning()) sequencer_->OnTempoChanged();
        return;
    }
    if (InRange(id, ID_MASTER_VOLUME_FIRST, ID_MASTER_VOLUME_LAST)) {
        view_->GlobalControlHandleEvent(id);
        setup_->masterVolume = static_cast<int16_t>(view_->MasterVolumeDialValue());
        setup_->modified = 1;
        return;
    }
    if (InRange(id, ID_MASTER_PITCH_FIRST, ID_MASTER_PITCH_LAST)) {
        view_->GlobalControlHandleEvent(id);
        StoreMasterPitch(view_->MasterPitchDialValue());
        setup_->modified = 1;
        return;
    }
    switch (id) {
    case ID_PLAY: sequencer_->TogglePlayback(); break;
    case ID_MUTE: sequencer_->OnMuteToggled(view_->MuteButtonPressed()); break;
    case ID_FILE_MENU: view_->OpenPanelMenu(161, id); break;
    case ID_EDIT_MENU: view_->OpenPanelMenu(162, id); break;
    case ID_OPTIONS_MENU: view_->OpenPanelMenu(163, id); break;
    default: break;  // identifiers outside the tables are ignored
    }
}

void EditController::ApplyStepValue(int column, int kind) {
    Step& step = EditedStep(column);
    const int before = GetStepValue(step, kind);
    const int value = view_->StepControlValue(column, kind);
    SetStepValue(step, kind, value);
    if (kind == KIND_SOUND) RebindVoice(setup_->editMeasure, column);
    const int delta = value - before;

    if (view_->IsShiftDown()) {
        const bool absolute = view_->IsAltDown();
        const int active = setup_->stepsPerMeasure;
        for (int i = 0; i < active && i < Setup::kStepsPerMeasure; ++i) {
            if (i == column) continue;
            Step& other = EditedStep(i);
            if (absolute) view_->SetStepControl(i, kind, value);
            else if (kind == KIND_ON) view_->SetStepControl(i, kind, other.on != 0 ? 0 : 1);
            else view_->SetStepControl(i, kind, GetStepValue(other, kind) + delta);
            // The control has clamped the value to its range.
            SetStepValue(other, kind, view_->StepControlValue(i, kind));
            if (kind == KIND_SOUND) RebindVoice(setup_->editMeasure, i);
        }
    }
    view_->ShowValueReadout(value);
    setup_->modified = 1;
}

void EditController::AlternateAction(int id) {
    if (InRange(id, ID_MEASURE_FIRST, ID_MEASURE_LAST)) {
        view_->OpenChainPopup(id - ID_MEASURE_FIRST);
        return;
    }
    if (InRange(id, ID_MASTER_VOLUME_FIRST, ID_MASTER_VOLUME_LAST)) {
        TakeUndoSnapshot();
        SetMasterVolume(kDefaultMasterVolume);
        setup_->modified = 1;
        return;
    }
    if (InRange(id, ID_MASTER_PITCH_FIRST, ID_MASTER_PITCH_LAST)) {
        TakeUndoSnapshot();
        SetMasterPitch(kDefaultMasterPitch);
        setup_->modified = 1;
        return;
    }
    ColumnControl control;
    if (!DecodeColumnControl(id, &control)) return;
    if (control.kind == KIND_SOUND) {
        view_->OpenSoundMenu(control.column);
    } else if (control.kind == KIND_PAN) {
        TakeUndoSnapshot();
        EditedStep(control.column).pan = kCentrePan;
        view_->SetStepControl(control.column, KIND_PAN, kCentrePan);
        ApplyStepValue(control.column, KIND_PAN);
    }
}

void EditController::ShowMeasure(int measure) {
    setup_->editMeasure = static_cast<int16_t>(measure);
    view_->StripMarkSelected(measure);
    RefreshColumns(measure);
}

void EditController::RefreshColumns(int measure) {
    const int soundMax = SoundControlMax();
    for (int column = 0; column < kColumnCount; ++column) {
        view_->HoldColumnRedraw(column, true);
        const Step& step = setup_->StepAddress(measure, column);
        view_->SetSoundControlMax(column, std::max<int>(soundMax, step.sound));
        for (int kind : kKinds) view_->SetStepControl(column, kind, GetStepValue(step, kind));
        view_->HoldColumnRedraw(column, false);
    }
}

void EditController::RefreshSoundRanges(int measure) {
    // Never below the step's own sound, so no shown value changes.
    const int soundMax = SoundControlMax();
    for (int column = 0; column < kColumnCount; ++column)
        view_->SetSoundControlMax(column, std::max<int>(soundMax, setup_->StepAddress(measure, column).sound));
}

int EditController::SoundControlMax() const {
    const int listed = static_cast<int>(std::min<size_t>(setup_->soundNames.size(), size_t{kSoundIndexMax} + 1));
    return std::max(kSoundControlMax, listed - 1);
}

void EditController::SetTempo(double tempo) {
    setup_->tempo = tempo;
    view_->SetTempoFieldValue(tempo);
    if (sequencer_->IsRunning()) sequencer_->OnTempoChanged();
}

void EditController::SetMasterVolume(int value) {
    setup_->masterVolume = static_cast<int16_t>(value);
    view_->SetMasterVolumeDial(value);
}

void EditController::SetMasterPitch(int value) {
    StoreMasterPitch(value);
    view_->SetMasterPitchDial(value);
}

void EditController::StoreMasterPitch(int value) {
    // Every step sounds transposed by it, also those ringing now. Ordered
    // before the voices are looked at, so that a trigger running meanwhile
    // either sees the new value or is seen playing and retuned.
    setup_->masterPitch.ExchangeOrdered(static_cast<int16_t>(value));
    voices_->RetunePlayingVoices();
}

void EditController::UndoLastEdit() {
    // The snapshot belongs to another measure, or there is none (after
    // start-up or opening a file): there is nothing to undo here, exactly
    // when the menu shows Undo grey.
    const int edited = setup_->editMeasure;
    if (setup_->undoMeasure != edited) return;
    Measure& measure = setup_->measures[edited];
    Measure& undo = setup_->measures[Setup::kUndoBufferMeasure];
    Measure temporary;
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s) {
        CopyStepValues(temporary.steps[s], undo.steps[s]);
        CopyStepValues(undo.steps[s], measure.steps[s]);
        AssignStepValues(measure.steps[s], temporary.steps[s]);  // its voice is re-bound below
    }
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s) RebindVoice(edited, s);
    RefreshColumns(edited);
    // The global values swap too, so a second Undo restores what this one replaced.
    const double tempo = setup_->tempo;
    const int masterVolume = setup_->masterVolume;
    const int masterPitch = setup_->masterPitch;
    const int muted = setup_->muted;
    SetTempo(setup_->undoTempo);
    SetMasterVolume(setup_->undoMasterVolume);
    SetMasterPitch(setup_->undoMasterPitch);
    view_->SetMuteButton(setup_->undoMuted == 0);
    // Sounding voices follow the restored mute, as they follow the button.
    if (setup_->undoMuted != muted) sequencer_->ApplyMute(setup_->undoMuted == 0);
    setup_->undoTempo = tempo;
    setup_->undoMasterVolume = masterVolume;
    setup_->undoMasterPitch = masterPitch;
    setup_->undoMuted = muted;
}

void EditController::RandomizeMeasure() {
    // Any index of the sound list, as far as a step can hold one (the
    // runtime's rand() never reaches further anyway).
    const int soundCount =
        static_cast<int>(std::min<size_t>(setup_->soundNames.size(), size_t{kSoundIndexMax} + 1));
    const int edited = setup_->editMeasure;
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s) {
        Step& step = setup_->StepAddress(edited, s);
        // The order of the draws is part of what a seed reproduces.
        step.pitch = static_cast<int16_t>(RandomBelow(128) - 60);
        step.sound = static_cast<int16_t>(RandomBelow(soundCount));
        step.volume = static_cast<int16_t>(RandomBelow(128));
        step.pan = static_cast<int16_t>(RandomBelow(128));
        step.aux = static_cast<int16_t>(RandomBelow(128));
        RebindVoice(edited, s);
    }
    RefreshColumns(edited);
}

void EditController::ShiftSteps(int direction) {
    const int count = setup_->stepsPerMeasure;
    if (count < 1 || count > Setup::kStepsPerMeasure) return;
    Measure& measure = setup_->measures[setup_->editMeasure];
    Step held;
    // Values move; each step keeps its voice until the re-binding below
    // releases it, so no voice is ever dropped unreleased.
    if (direction > 0) {
        CopyStepValues(held, measure.steps[count - 1]);
        for (int k = count - 1; k >= 1; --k) AssignStepValues(measure.steps[k], measure.steps[k - 1]);
        AssignStepValues(measure.steps[0], held);
    } else {
        CopyStepValues(held, measure.steps[0]);
        for (int k = 0; k <= count - 2; ++k) AssignStepValues(measure.steps[k], measure.steps[k + 1]);
        AssignStepValues(measure.steps[count - 1], held);
    }
    RefreshColumns(setup_->editMeasure);
    for (int k = count - 1; k >= 0; --k) RebindVoice(setup_->editMeasure, k);
}
