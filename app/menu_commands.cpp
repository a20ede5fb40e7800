#include "app/menu_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "app/export_command.h"
#include "app/main_window.h"
#include "ui/notice.h"
#include "editing/control_ids.h"
#include "files/preferences.h"
#include "model/byte_io.h"
#include "model/value_ranges.h"
#include "panels/main_panel.h"
#include "resources/resource.h"

namespace {
constexpr SIZE_T kClipboardBlockSize = 4096;

// The swing of each item of Options > Swing, from IDM_SWING_OFF on.
constexpr int16_t kSwingChoices[] = {kSwingOff, 540, 580, 620, 667, 710, kSwingMax};
static_assert(IDM_SWING_OFF + 6 == IDM_SWING_75, "one swing item a choice");

// Checks the item of the stored swing, or none for a value from a file that
// the menu does not offer.
void CheckSwingItem(HMENU options, int swing) {
    for (int i = 0, n = GetMenuItemCount(options); i < n; ++i) {
        HMENU submenu = GetSubMenu(options, i);
        if (!submenu || GetMenuItemID(submenu, 0) != IDM_SWING_OFF) continue;
        for (int k = 0; k <= IDM_SWING_75 - IDM_SWING_OFF; ++k) {
            if (kSwingChoices[k] == swing)
                CheckMenuRadioItem(submenu, IDM_SWING_OFF, IDM_SWING_75, IDM_SWING_OFF + k, MF_BYCOMMAND);
            else
                CheckMenuItem(submenu, IDM_SWING_OFF + k, MF_BYCOMMAND | MF_UNCHECKED);
        }
    }
}

// The submenu of `menu` that holds the command `id`, or null.
HMENU SubmenuHolding(HMENU menu, UINT id) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        HMENU sub = GetSubMenu(menu, i);
        if (sub && GetMenuState(sub, id, MF_BYCOMMAND) != static_cast<UINT>(-1)) return sub;
    }
    return nullptr;
}
}  // namespace

void MenuCommands::Bind() {
    MenuBar& bar = window_.Panel()->Menus();
    bar.SetCommandHandler([this](int id) { return OnCommand(id); });
    bar.SetMenuPreparer([this](int menuId, HMENU popup) { PrepareMenu(menuId, popup); });
    clipboardFormat_ = RegisterClipboardFormatA(kClipboardFormatName);
    Setup& setup = window_.GetSetup();
    Measure& edited = setup.measures[setup.editMeasure];
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s) {
        CopyStepValues(setup.measures[Setup::kCopyBufferMeasure].steps[s], edited.steps[s]);
        CopyStepValues(setup.measures[Setup::kUndoBufferMeasure].steps[s], edited.steps[s]);
    }
}

void MenuCommands::PrepareMenu(int menuId, HMENU popup) {
    const Setup& setup = window_.GetSetup();
    auto enable = [popup](int id, bool on) { EnableMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
    auto check = [popup](int id, bool on) { CheckMenuItem(popup, id, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED)); };
    switch (menuId) {
    case IDR_FILE_MENU:
        enable(IDM_SAVE_SETUP, setup.modified == 1);
        break;
    case IDR_EDIT_MENU:
        enable(IDM_UNDO, setup.undoMeasure == setup.editMeasure);
        enable(IDM_PASTE_MEASURE, IsClipboardFormatAvailable(clipboardFormat_) != 0);
        break;
    case IDR_OPTIONS_MENU:
        CheckMenuRadioItem(popup, IDM_SAMPLES_PER_MEASURE, IDM_BEATS_PER_MINUTE,
                           setup.tempoUnit == 1 ? IDM_SAMPLES_PER_MEASURE : IDM_BEATS_PER_MINUTE, MF_BYCOMMAND);
        check(IDM_POLYPHONIC, setup.polyphonic == 1);
        check(IDM_MUTE, setup.muted == 1);
        check(IDM_QUICK_FADE, setup.quickFade == 1);
        enable(IDM_QUICK_FADE, false);
        check(IDM_HIGH_RES_TIMER, setup.highResTimer == 1);
        check(IDM_SAMPLE_ACCURATE, window_.SampleAccurate());
        CheckSwingItem(popup, setup.swing);
        check(IDM_OWN_RATE, setup.ownRate == 1);
        PrepareZoomMenu(popup);
        break;
    default:
        break;
    }
}

bool MenuCommands::OnCommand(int id) {
    Setup& setup = window_.GetSetup();
    EditController& controller = window_.Controller();
    MainPanel& panel = *window_.Panel();

    // The sound menu and the three menu buttons come first.
    const int soundCount = SoundMenuLength(window_.Sound().SoundCount());
    if (id >= IDM_SOUND_FIRST && id < IDM_SOUND_FIRST + soundCount) {
        const int sound = id - IDM_SOUND_FIRST;
        const int step = panel.Menus().soundMenuStep;
        window_.Sound().AssignSound(setup.editMeasure, step, sound);
        panel.SetStepControl(step, KIND_SOUND, sound);
        SetStepValue(setup.StepAddress(setup.editMeasure, step), KIND_SOUND, sound);
        setup.modified = 1;
        return true;
    }
    if (id >= IDM_SWING_OFF && id <= IDM_SWING_75) {
        const int16_t swing = kSwingChoices[id - IDM_SWING_OFF];
        if (setup.swing == swing) return true;
        setup.swing = swing;  // from the next step on; not covered by Undo
        setup.modified = 1;
        return true;
    }
    if (id >= IDM_ZOOM_AUTO && id <= IDM_ZOOM_3X) {
        window_.ChooseZoom(id - IDM_ZOOM_AUTO);
        return true;
    }
    switch (id) {
    case ID_FILE_MENU: panel.Menus().OpenMenu(IDR_FILE_MENU, id); return true;
    case ID_EDIT_MENU: panel.Menus().OpenMenu(IDR_EDIT_MENU, id); return true;
    case ID_OPTIONS_MENU: panel.Menus().OpenMenu(IDR_OPTIONS_MENU, id); return true;

    case IDM_OPEN_SETUP: window_.OpenSetupDialog(); return true;
    case IDM_IMPORT_SOUNDS: window_.Library().ImportSounds(); return true;
    case IDM_SAVE_SETUP: window_.SaveSetup(); return true;
    case IDM_SAVE_SETUP_AS: window_.SaveSetupAs(); return true;
    case IDM_EXPORT_WAV: ExportWavFromMenu(window_, ExportShape::CycleWithTails); return true;
    case IDM_EXPORT_LOOP_WAV: ExportWavFromMenu(window_, ExportShape::Loop); return true;
    case IDM_CHANGE_COLOR:
        window_.ChangeColor();
        setup.modified = 1;
        return true;
    case IDM_ABOUT: window_.ShowAbout(); return true;
    case IDM_EXIT: SendMessageA(window_.Handle(), WM_CLOSE, 0, 0); return true;

    case IDM_UNDO: controller.UndoLastEdit(); return true;
    case IDM_COPY_MEASURE: CopyMeasure(); return true;
    case IDM_PASTE_MEASURE: PasteMeasure(); return true;
    case IDM_SHIFT_RIGHT:
        controller.ShiftSteps(+1);
        setup.modified = 1;
        return true;
    case IDM_SHIFT_LEFT:
        controller.ShiftSteps(-1);
        setup.modified = 1;
        return true;

    case IDM_POLYPHONIC:
        setup.polyphonic = setup.polyphonic == 0 ? 1 : 0;
        setup.modified = 1;
        return true;
    case IDM_HIGH_RES_TIMER:
        setup.highResTimer = setup.highResTimer == 0 ? 1 : 0;
        window_.GetSequencer().SetClockSource(setup.highResTimer != 0);
        SaveHighResTimerPreference(setup.highResTimer != 0);
        return true;
    case IDM_SAMPLE_ACCURATE:
        // Kept for next time only when it took: a stream that cannot open leaves DirectSound playing.
        if (window_.UseSampleAccurate(!window_.SampleAccurate())) SaveSampleAccuratePreference(window_.SampleAccurate());
        return true;
    case IDM_OWN_RATE:
        setup.ownRate = setup.ownRate == 0 ? 1 : 0;
        window_.Sound().RetunePlayingVoices();
        setup.modified = 1;
        return true;
    case IDM_SAMPLES_PER_MEASURE: SetTempoUnit(1); return true;
    case IDM_BEATS_PER_MINUTE: SetTempoUnit(0); return true;
    case IDM_RANDOMIZE:
        controller.TakeUndoSnapshot();
        controller.RandomizeMeasure();
        setup.modified = 1;
        return true;
    case IDM_MUTE: ToggleMute(); return true;
    case IDM_KILL_ALL_SOUND: window_.Sound().KillAllSound(); return true;
    default: return false;
    }
}

void MenuCommands::PrepareZoomMenu(HMENU options) {
    if (HMENU zoom = SubmenuHolding(options, IDM_ZOOM_AUTO))
        CheckMenuRadioItem(zoom, IDM_ZOOM_AUTO, IDM_ZOOM_3X, IDM_ZOOM_AUTO + window_.ZoomChoice(), MF_BYCOMMAND);
}

void MenuCommands::SetTempoUnit(int unit) {
    Setup& setup = window_.GetSetup();
    if (setup.tempoUnit == unit) return;
    setup.tempoUnit = static_cast<int16_t>(unit);
    MTempoDial& tempo = window_.Panel()->TempoDial();
    tempo.SetShowDerived(unit);
    tempo.Display();
    setup.modified = 1;
}

void MenuCommands::ToggleMute() {
    Setup& setup = window_.GetSetup();
    setup.muted = setup.muted == 0 ? 1 : 0;
    window_.Panel()->SetMuteButton(setup.muted == 0);
    window_.GetSequencer().OnMuteToggled(window_.Panel()->MuteButtonPressed());
}

void MenuCommands::CopyMeasure() {
    // A text field with a selection copies its text.
    HWND focus = GetFocus();
    DWORD start = 0, end = 0;
    if (focus) SendMessageA(focus, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    if (start != end) {
        SendMessageA(focus, WM_COPY, 0, 0);
        return;
    }
    // The undo buffer is left alone: it holds the edited measure's state
    // before its last edit, which a copy does not change.
    Setup& setup = window_.GetSetup();
    Measure& copyBuffer = setup.measures[Setup::kCopyBufferMeasure];
    Measure& edited = setup.measures[setup.editMeasure];
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s) CopyStepValues(copyBuffer.steps[s], edited.steps[s]);

    if (!OpenClipboard(window_.Panel()->Menus().Handle())) {
        ShowNote("Could not copy to the clipboard...");
        return;
    }
    EmptyClipboard();
    ByteArchive archive;
    copyBuffer.SerializeMeasureSteps(archive);
    const std::vector<uint8_t>& bytes = archive.StoredBytes();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, kClipboardBlockSize);
    if (block) {
        if (void* memory = GlobalLock(block)) {
            std::memcpy(memory, bytes.data(), bytes.size());
            GlobalUnlock(block);
            if (!SetClipboardData(clipboardFormat_, block)) GlobalFree(block);
        } else {
            GlobalFree(block);
        }
    }
    CloseClipboard();
}

void MenuCommands::PasteMeasure() {
    if (!IsClipboardFormatAvailable(clipboardFormat_)) {
        if (HWND focus = GetFocus()) SendMessageA(focus, WM_PASTE, 0, 0);
        return;
    }
    Setup& setup = window_.GetSetup();
    if (!OpenClipboard(window_.Panel()->Menus().Handle())) return;
    HANDLE block = GetClipboardData(clipboardFormat_);
    bool read = false;
    Measure& copyBuffer = setup.measures[Setup::kCopyBufferMeasure];
    // A block under our name that is shorter than one measure was not put
    // there by us: it is refused rather than read past its end.
    if (block && GlobalSize(block) >= Measure::kStreamSize) {
        if (const void* memory = GlobalLock(block)) {
            ByteArchive archive(static_cast<const uint8_t*>(memory), Measure::kStreamSize);
            read = copyBuffer.SerializeMeasureSteps(archive);
            GlobalUnlock(block);
        }
    }
    CloseClipboard();
    // Only a measure read changes anything: a failed read keeps the undo of
    // the last edit and the modified flag as they were.
    if (!read) return;

    window_.Controller().TakeUndoSnapshot();
    const int edited = setup.editMeasure;
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s)
        AssignStepValues(setup.measures[edited].steps[s], copyBuffer.steps[s]);  // voices re-bound below
    window_.Controller().RefreshColumns(edited);
    for (int s = 0; s < Setup::kStepsPerMeasure; ++s)
        window_.Sound().AssignSound(edited, s, setup.measures[edited].steps[s].sound);
}

int MenuCommands::SoundMenuLength(int soundCount) {
    // The lowest id of the other commands is the File menu button's, which
    // can arrive through the menu bar too; every index listed fits a step.
    constexpr int kEntriesMax = std::min(ID_FILE_MENU - IDM_SOUND_FIRST, kSoundIndexMax + 1);
    return std::max(0, std::min(soundCount, kEntriesMax));
}

std::string MenuCommands::SoundMenuText(int index, const std::string& name) {
    char number[16];
    std::snprintf(number, sizeof number, index + 1 < 10 ? "0%d" : "%d", index + 1);
    return std::string(number) + ": " + name;
}

void MenuCommands::ShowSoundMenu(int step) {
    MenuBar& bar = window_.Panel()->Menus();
    bar.soundMenuStep = step;
    const DWORD position = GetMessagePos();
    HMENU menu = BuildSoundMenu(step);
    if (!menu) return;
    if (HMENU popup = GetSubMenu(menu, 0))
        TrackPopupMenu(popup, TPM_RIGHTBUTTON, static_cast<short>(LOWORD(position)),
                       static_cast<short>(HIWORD(position)), 0, bar.Handle(), nullptr);
    DestroyMenu(menu);
}

HMENU MenuCommands::BuildSoundMenu(int step) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_SOUND_MENU));
    if (!menu) return nullptr;
    HMENU popup = GetSubMenu(menu, 0);
    const Setup& setup = window_.GetSetup();
    const int n = SoundMenuLength(window_.Sound().SoundCount());
    if (popup && n > 0) {
        ModifyMenuA(popup, IDM_SOUND_FIRST, MF_BYCOMMAND | MF_STRING, IDM_SOUND_FIRST,
                    SoundMenuText(0, setup.soundNames[0]).c_str());
        for (int i = 1; i < n && i < static_cast<int>(setup.soundNames.size()); ++i)
            AppendMenuA(popup, MF_STRING, IDM_SOUND_FIRST + i, SoundMenuText(i, setup.soundNames[i]).c_str());
    }
    if (popup) {
        const int current = setup.StepAddress(setup.editMeasure, step).sound;
        if (current >= 0 && current < n)
            CheckMenuRadioItem(popup, IDM_SOUND_FIRST, IDM_SOUND_FIRST + n, IDM_SOUND_FIRST + current, MF_BYCOMMAND);
    }
    return menu;
}
