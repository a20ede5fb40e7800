// The menus' states and commands, the measure clipboard, importing sounds and
// the sound menu, on the real window in this process.
#include <algorithm>
#include <cstdio>
#include <fstream>

#include <atomic>
#include <thread>

#include "app/export_command.h"
#include "app/menu_commands.h"
#include "files/preferences.h"
#include "ui/background_work.h"
#include "resources/resource.h"
#include "tests/app/window_fixture.h"
#include "tests/audio/wav_builder.h"

namespace {

// Ends a menu opened by the code under test (a timer's procedure, so CALLBACK for the 32-bit build).
void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD) { EndMenu(); }

std::string TempFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + name + std::to_string(GetTickCount());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> Tone(double hz) {
    WavFile wav;
    wav.data = SineData(hz, 0.2, 44100, 16, 1);
    return wav.Bytes();
}

class CommandsTest : public WindowFixture {
protected:
    MenuCommands& commands() { return window->Commands(); }
    // The state of one item after the menu was prepared as it opens.
    UINT ItemState(int menuId, int itemId) {
        HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(menuId));
        HMENU popup = GetSubMenu(menu, 0);
        commands().PrepareMenu(menuId, popup);
        const UINT state = GetMenuState(popup, itemId, MF_BYCOMMAND);
        DestroyMenu(menu);
        return state;
    }
    void ImportFolder(const std::string& folder, const std::string& chosenFile) {
        window->Library().SetFileChooser([chosenFile](std::string* path) {
            *path = chosenFile;
            return true;
        });
        window->Commands().OnCommand(IDM_IMPORT_SOUNDS);
        window->Library().SetFileChooser(nullptr);
    }
    static void PutText(const char* text) {
        OpenClipboard(hwnd());
        EmptyClipboard();
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, strlen(text) + 1);
        strcpy(static_cast<char*>(GlobalLock(block)), text);
        GlobalUnlock(block);
        SetClipboardData(CF_TEXT, block);
        CloseClipboard();
    }
    static std::string ClipboardText() {
        std::string text;
        if (!OpenClipboard(hwnd())) return text;
        if (HANDLE block = GetClipboardData(CF_TEXT)) {
            text = static_cast<const char*>(GlobalLock(block));
            GlobalUnlock(block);
        }
        CloseClipboard();
        return text;
    }
};

TEST_F(CommandsTest, ItemStatesFollowTheSetupAndTheClipboard) {
    EXPECT_TRUE(ItemState(IDR_FILE_MENU, IDM_SAVE_SETUP) & MF_GRAYED) << "nothing to save";
    setup().modified = 1;
    EXPECT_FALSE(ItemState(IDR_FILE_MENU, IDM_SAVE_SETUP) & MF_GRAYED);

    setup().undoMeasure = -1;
    EXPECT_TRUE(ItemState(IDR_EDIT_MENU, IDM_UNDO) & MF_GRAYED);
    window->Controller().BeginEdit(ColumnControlId(0, 20));
    EXPECT_FALSE(ItemState(IDR_EDIT_MENU, IDM_UNDO) & MF_GRAYED);
    PutText("just text");
    EXPECT_TRUE(ItemState(IDR_EDIT_MENU, IDM_PASTE_MEASURE) & MF_GRAYED);
    commands().CopyMeasure();
    EXPECT_FALSE(ItemState(IDR_EDIT_MENU, IDM_PASTE_MEASURE) & MF_GRAYED);

    EXPECT_TRUE(ItemState(IDR_OPTIONS_MENU, IDM_BEATS_PER_MINUTE) & MF_CHECKED);
    EXPECT_FALSE(ItemState(IDR_OPTIONS_MENU, IDM_SAMPLES_PER_MEASURE) & MF_CHECKED);
    EXPECT_TRUE(ItemState(IDR_OPTIONS_MENU, IDM_QUICK_FADE) & MF_GRAYED) << "always grey";
    setup().highResTimer = 1;  // the item follows the field, whatever the registry held at start
    EXPECT_TRUE(ItemState(IDR_OPTIONS_MENU, IDM_HIGH_RES_TIMER) & MF_CHECKED);
    setup().highResTimer = 0;
    EXPECT_FALSE(ItemState(IDR_OPTIONS_MENU, IDM_HIGH_RES_TIMER) & MF_CHECKED);
    setup().highResTimer = 1;
    EXPECT_FALSE(ItemState(IDR_OPTIONS_MENU, IDM_POLYPHONIC) & MF_CHECKED);
    commands().OnCommand(IDM_POLYPHONIC);
    EXPECT_TRUE(ItemState(IDR_OPTIONS_MENU, IDM_POLYPHONIC) & MF_CHECKED);
    commands().OnCommand(IDM_POLYPHONIC);
}

TEST_F(CommandsTest, OptionsCommandsChangeTheSetupAndTheControls) {
    commands().OnCommand(IDM_SAMPLES_PER_MEASURE);
    EXPECT_EQ(setup().tempoUnit, 1);
    EXPECT_EQ(setup().modified, 1);
    EXPECT_EQ(panel().TempoDial().Field().GetText(), "42000") << "5,292,000 / 126";
    setup().modified = 0;
    commands().OnCommand(IDM_SAMPLES_PER_MEASURE);
    EXPECT_EQ(setup().modified, 0) << "already in that unit";
    commands().OnCommand(IDM_BEATS_PER_MINUTE);
    EXPECT_EQ(panel().TempoDial().Field().GetText(), "126");

    commands().OnCommand(IDM_MUTE);
    EXPECT_EQ(setup().muted, 1);
    EXPECT_FALSE(panel().MuteButtonPressed());
    commands().OnCommand(IDM_MUTE);
    EXPECT_EQ(setup().muted, 0);
    EXPECT_TRUE(panel().MuteButtonPressed());

    setup().undoMeasure = -1;
    commands().OnCommand(IDM_RANDOMIZE);
    EXPECT_EQ(setup().undoMeasure, setup().editMeasure) << "randomize can be undone";
    setup().stepsPerMeasure = 16;
    const int first = setup().StepAddress(0, 0).pitch;
    commands().OnCommand(IDM_SHIFT_RIGHT);
    EXPECT_EQ(setup().StepAddress(0, 1).pitch, first);
    commands().OnCommand(IDM_SHIFT_LEFT);
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, first);
}

TEST_F(CommandsTest, SwingAndOwnRateMarkTheSetupChangedAndShowInTheMenu) {
    setup().modified = 0;
    commands().OnCommand(IDM_SWING_TRIPLET);
    commands().OnCommand(IDM_OWN_RATE);
    EXPECT_EQ(setup().swing, 667);
    EXPECT_EQ(setup().modified, 1);
    EXPECT_TRUE(ItemState(IDR_OPTIONS_MENU, IDM_SWING_TRIPLET) & ItemState(IDR_OPTIONS_MENU, IDM_OWN_RATE) & MF_CHECKED);
    setup().swing = 600;  // from a file: on no item
    for (int id = IDM_SWING_OFF; id <= IDM_SWING_75; ++id) EXPECT_FALSE(ItemState(IDR_OPTIONS_MENU, id) & MF_CHECKED);
}

// The timing choice moves the sound list from one output to the other while
// playing, keeps the choice for next time and leaves the Setup unchanged.
TEST_F(CommandsTest, SampleAccurateTimingSwitchesTheOutputWhilePlaying) {
    const std::string folder = TempFolder("sf-timing-");
    WriteFile(folder + "\\a.wav", Tone(440));
    ImportFolder(folder, folder + "\\a.wav");
    setup().StepAddress(0, 0).sound = 0;
    window->GetSequencer().StartPlayback();
    const bool before = window->SampleAccurate();
    for (bool on : {!before, before}) {
        setup().modified = 0;
        commands().OnCommand(IDM_SAMPLE_ACCURATE);
        Pump();
        EXPECT_EQ(window->SampleAccurate(), on);
        EXPECT_EQ(window->Streaming().Running(), on) << "the stream runs only while it plays";
        EXPECT_EQ(bool(ItemState(IDR_OPTIONS_MENU, IDM_SAMPLE_ACCURATE) & MF_CHECKED), on);
        EXPECT_EQ(RegReadString(kPreferencesKey, kSampleAccurateValue), on ? "on" : "off");
        EXPECT_TRUE(StepSounds(0, 0)) << "the sound list moved over";
        EXPECT_EQ(setup().modified, 0);
    }
    window->GetSequencer().StopPlayback();
}

TEST_F(CommandsTest, CopyThenPasteReproducesEveryStepValueInAnotherMeasure) {
    for (int s = 0; s < 16; ++s) {
        Step& step = setup().StepAddress(1, s);
        step.on = s % 3 != 0;
        step.pitch = static_cast<int16_t>(s - 8);
        step.sound = static_cast<int16_t>(15 - s);
        step.volume = static_cast<int16_t>(s * 7);
        step.pan = static_cast<int16_t>(127 - s);
        step.aux = static_cast<int16_t>(s * 3);
    }
    setup().measures[1].nextMeasure = 6;
    setup().measures[4].nextMeasure = 2;
    setup().measures[4].repeatCount = 5;
    window->Controller().ShowMeasure(1);
    commands().OnCommand(IDM_COPY_MEASURE);
    window->Controller().ShowMeasure(4);
    panel().SetColumnCount(8);  // pasting replaces all 16 steps anyway
    commands().OnCommand(IDM_PASTE_MEASURE);
    for (int s = 0; s < 16; ++s)
        for (int kind : {10, 20, 30, 40, 50, 60})
            EXPECT_EQ(GetStepValue(setup().StepAddress(4, s), kind), GetStepValue(setup().StepAddress(1, s), kind))
                << s << "/" << kind;
    EXPECT_EQ(setup().measures[4].nextMeasure, 2);
    EXPECT_EQ(setup().measures[4].repeatCount, 5);
    EXPECT_EQ(setup().measures[1].nextMeasure, 6);
    EXPECT_EQ(panel().Column(3).ReadValue(20), -6);

    // Copying leaves the undo buffer alone: an edit, a copy, then Undo takes
    // back the edit, and does not bring back what was copied before.
    window->Controller().ShowMeasure(0);
    std::vector<int> before;
    for (int s = 0; s < 16; ++s)
        for (int kind : {10, 20, 30, 40, 50, 60}) before.push_back(GetStepValue(setup().StepAddress(0, s), kind));
    Click(ColumnX(3) + 12 + 8, 2 + 30 + 8);  // step 3 on or off
    commands().OnCommand(IDM_COPY_MEASURE);
    commands().OnCommand(IDM_UNDO);
    std::vector<int> undone;
    for (int s = 0; s < 16; ++s)
        for (int kind : {10, 20, 30, 40, 50, 60}) undone.push_back(GetStepValue(setup().StepAddress(0, s), kind));
    EXPECT_EQ(undone, before);
}

TEST_F(CommandsTest, CopyWithSelectedTextCopiesTheTextAndForeignBlocksAreRefusedOrBroughtIntoRange) {
    HWND field = panel().Column(2).PitchDial().Field().Handle();
    SetWindowTextA(field, "-12");
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    PutText("before");
    commands().OnCommand(IDM_COPY_MEASURE);
    EXPECT_EQ(ClipboardText(), "-12");
    EXPECT_FALSE(IsClipboardFormatAvailable(commands().ClipboardFormat()));
    window->ResetFocus();

    // Ten bytes under our name: not a measure.
    OpenClipboard(hwnd());
    EmptyClipboard();
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 10);
    SetClipboardData(commands().ClipboardFormat(), block);
    CloseClipboard();
    const int sound = setup().StepAddress(0, 7).sound;
    setup().StepAddress(0, 7).volume = 77;
    setup().undoMeasure = -1;
    setup().modified = 0;
    commands().OnCommand(IDM_PASTE_MEASURE);
    EXPECT_EQ(setup().StepAddress(0, 7).volume, 77);
    EXPECT_EQ(setup().StepAddress(0, 7).sound, sound);
    EXPECT_EQ(setup().undoMeasure, -1) << "a paste that read nothing takes no undo snapshot";
    EXPECT_EQ(setup().modified, 0);

    // A whole measure from another program: pasted into the ranges a setup
    // file's values are brought into: a negative sound becomes the first.
    OpenClipboard(hwnd());
    EmptyClipboard();
    block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 4096);
    auto* words = static_cast<int16_t*>(GlobalLock(block));
    for (int s = 0; s < 16; ++s) {
        const int16_t wild[] = {-2, -100, -1, 500, -7, 999};
        std::copy(wild, wild + 6, words + 6 * s);
    }
    GlobalUnlock(block);
    SetClipboardData(commands().ClipboardFormat(), block);
    CloseClipboard();
    commands().OnCommand(IDM_PASTE_MEASURE);
    for (int s = 0; s < 16; ++s) {
        const int expected[] = {1, -60, 0, 127, 0, 127};
        for (int k = 0; k < 6; ++k) EXPECT_EQ(GetStepValue(setup().StepAddress(0, s), 10 * (k + 1)), expected[k]) << s;
    }
    EXPECT_EQ(panel().Column(1).ReadValue(30), 0);
}

TEST_F(CommandsTest, ImportedSoundsAreListedInNameOrderAndTheSoundMenuAssignsThem) {
    const std::string folder = TempFolder("sf-import-");
    for (const char* name : {"snare.wav", "Kick.wav", "hat.wav"}) WriteFile(folder + "\\" + name, Tone(440));
    WriteFile(folder + "\\notes.txt", {'x'});
    setup().StepAddress(0, 2).sound = 2;
    setup().StepAddress(0, 3).sound = 3;
    ImportFolder(folder, folder + "\\hat.wav");
    EXPECT_EQ(setup().soundNames, (std::vector<std::string>{"hat.wav", "Kick.wav", "snare.wav"}));
    EXPECT_EQ(setup().soundDir, folder);
    const std::string caption = setup().caption;
    EXPECT_EQ(caption.substr(caption.size() - 8 - setup().soundDirTitle.size()), " using: " + setup().soundDirTitle);
    EXPECT_TRUE(StepSounds(0, 2));
    EXPECT_FALSE(StepSounds(0, 3)) << "sound 3 is beyond the list";

    EXPECT_EQ(MenuCommands::SoundMenuText(0, "hat.wav"), "01: hat.wav");
    EXPECT_EQ(MenuCommands::SoundMenuText(9, "x.wav"), "10: x.wav");
    panel().Menus().soundMenuStep = 5;
    commands().OnCommand(IDM_SOUND_FIRST + 2);
    EXPECT_EQ(setup().StepAddress(0, 5).sound, 2);
    EXPECT_EQ(panel().Column(6).ReadValue(30), 2);
    EXPECT_TRUE(StepSounds(0, 5));
    commands().OnCommand(IDM_SOUND_FIRST + 3);  // beyond the list: no such entry
    EXPECT_EQ(setup().StepAddress(0, 5).sound, 2);

    // A folder at a drive's root stays that root: "C:" alone would name the
    // drive's current directory.
    const std::string name = "sf-root-" + std::to_string(GetTickCount()) + ".wav";
    WriteFile("C:\\" + name, Tone(550));
    setup().StepAddress(0, 0).sound = 0;
    ImportFolder("C:\\", "C:\\" + name);
    DeleteFileA(("C:\\" + name).c_str());
    EXPECT_EQ(setup().soundDir, "C:\\");
    EXPECT_NE(std::find(setup().soundNames.begin(), setup().soundNames.end(), name), setup().soundNames.end());
    EXPECT_TRUE(StepSounds(0, 0)) << "loaded from the root";

    // A long list: a step's sound field shows and steps through every index
    // of it, past 128.
    const std::string many = TempFolder("sf-many-");
    WavFile click;
    click.data = SineData(440, 0.005, 44100, 16, 1);
    const std::vector<uint8_t> clickBytes = click.Bytes();
    for (int i = 0; i < 505; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "\\%03d.wav", i);
        WriteFile(many + name, clickBytes);
    }
    ImportFolder(many, many + "\\000.wav");
    ASSERT_EQ(setup().soundNames.size(), 505u);
    commands().OnCommand(IDM_SOUND_FIRST + 299);  // entry 300, for step 5
    EXPECT_EQ(setup().StepAddress(0, 5).sound, 299);
    auto& soundDial = static_cast<MDial&>(*panel().Column(6).PartForKind(30));
    EXPECT_EQ(soundDial.Field().GetText(), "300");
    const int arrowX = ColumnX(6) + 1 + 3;
    Click(arrowX, 2 + 96 + 4);  // up
    EXPECT_EQ(setup().StepAddress(0, 5).sound, 300);
    EXPECT_EQ(soundDial.Field().GetText(), "301");
    Click(arrowX, 2 + 105 + 4);  // down
    Click(arrowX, 2 + 105 + 4);
    EXPECT_EQ(setup().StepAddress(0, 5).sound, 298);
    commands().OnCommand(IDM_RANDOMIZE);
    for (int s = 0; s < 16; ++s)
        EXPECT_EQ(panel().Column(s + 1).ReadValue(30), setup().StepAddress(0, s).sound) << "step " << s;

    // The sound menu lists the sounds whose ids stay below the other
    // commands; the File menu button's command opens its menu, whatever the
    // list's length.
    HMENU soundMenu = commands().BuildSoundMenu(5);
    HMENU soundPopup = GetSubMenu(soundMenu, 0);
    const int listed = GetMenuItemCount(soundPopup);
    EXPECT_EQ(listed, 502);
    EXPECT_LT(static_cast<int>(GetMenuItemID(soundPopup, listed - 1)), ID_FILE_MENU);
    char entry[64] = {};
    GetMenuStringA(soundPopup, listed - 1, entry, sizeof entry, MF_BYPOSITION);
    EXPECT_STREQ(entry, "502: 501.wav");
    DestroyMenu(soundMenu);
    setup().StepAddress(0, 5).sound = 7;
    const UINT_PTR closer = SetTimer(nullptr, 0, 200, CloseMenu);
    commands().OnCommand(ID_FILE_MENU);
    KillTimer(nullptr, closer);
    EXPECT_EQ(setup().StepAddress(0, 5).sound, 7) << "no sound was chosen";

    const std::string empty = TempFolder("sf-empty-");
    WriteFile(empty + "\\readme.txt", {'x'});
    ImportFolder(empty, empty + "\\readme.txt");
    EXPECT_TRUE(setup().soundNames.empty());
}

std::string exportProposed;
std::string exportChosen;
bool ChooseExport(const std::string& proposed, std::string* chosen) {
    exportProposed = proposed;
    if (exportChosen.empty()) return false;
    *chosen = exportChosen;
    return true;
}

size_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return data.nFileSizeLow;
}

TEST_F(CommandsTest, ExportWavWritesOneCycleAndSaysSoOnlyWhenItWroteIt) {
    // The item after Save Setup As, and its accelerator.
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_FILE_MENU));
    HMENU popup = GetSubMenu(menu, 0);
    char text[64] = {};
    GetMenuStringA(popup, IDM_EXPORT_WAV, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Export WAV...\tCtrl+E");
    EXPECT_EQ(GetMenuItemID(popup, 4), static_cast<UINT>(IDM_SAVE_SETUP_AS));
    EXPECT_EQ(GetMenuItemID(popup, 5), static_cast<UINT>(IDM_EXPORT_WAV));
    EXPECT_EQ(GetMenuItemID(popup, 6), static_cast<UINT>(IDM_EXPORT_LOOP_WAV));
    GetMenuStringA(popup, IDM_EXPORT_LOOP_WAV, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Export Loop WAV...");
    DestroyMenu(menu);
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ACCEL keys[64];
    const int count = CopyAcceleratorTableA(table, keys, 64);
    bool found = false;
    for (int i = 0; i < count; ++i)
        found |= keys[i].cmd == IDM_EXPORT_WAV && keys[i].key == 'E' && keys[i].fVirt == (FVIRTKEY | FCONTROL);
    EXPECT_TRUE(found) << "Ctrl+E";

    const std::string folder = TempFolder("sf-export-");
    WriteFile(folder + "\\tone.wav", Tone(440));
    ImportFolder(folder, folder + "\\tone.wav");
    for (int s = 0; s < 16; ++s) setup().StepAddress(0, s).on = s == 0 ? 1 : 0;
    Step& first = setup().StepAddress(0, 0);
    first.sound = 0, first.pitch = 0, first.volume = 127, first.pan = 64;
    setup().masterPitch = 0;
    setup().measures[0].nextMeasure = 0;
    setup().measures[0].repeatCount = 1;
    setup().tempo = 126.0;
    setup().filePath = folder + "\\song.^&^";
    SetExportFileChooser(ChooseExport);
    notes.clear();

    exportChosen.clear();  // cancelled
    commands().OnCommand(IDM_EXPORT_WAV);
    EXPECT_EQ(exportProposed, folder + "\\song.wav");
    EXPECT_TRUE(notes.empty());

    exportChosen = folder + "\\out.wav";
    commands().OnCommand(IDM_EXPORT_WAV);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "Exported 0:02 to " + exportChosen + " \x97 0 samples clipped");
    EXPECT_EQ(FileSize(exportChosen), 44u + 4 * 84000) << "sixteen steps at 126 BPM";

    exportChosen = folder + "\\loop.wav";
    commands().OnCommand(IDM_EXPORT_LOOP_WAV);
    EXPECT_EQ(exportProposed, folder + "\\song loop.wav");
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1], "Exported a loop of 0:02 to " + exportChosen + " \x97 0 samples clipped");
    EXPECT_EQ(FileSize(exportChosen), 44u + 4 * 84000);

    exportChosen = folder + "\\no such folder\\out.wav";
    commands().OnCommand(IDM_EXPORT_WAV);
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_NE(notes[2].find("Nothing was written"), std::string::npos) << notes[2];
    EXPECT_EQ(GetFileAttributesA(exportChosen.c_str()), INVALID_FILE_ATTRIBUTES);

    setup().tempo = 0.0;
    exportChosen = folder + "\\never.wav";
    commands().OnCommand(IDM_EXPORT_WAV);
    ASSERT_EQ(notes.size(), 4u);
    EXPECT_NE(notes[3].find("tempo"), std::string::npos) << notes[3];
    EXPECT_EQ(GetFileAttributesA(exportChosen.c_str()), INVALID_FILE_ATTRIBUTES);
    setup().tempo = 126.0;
    SetExportFileChooser(nullptr);

    EXPECT_EQ(ProposedExportPath(""), "Untitled.wav");
    EXPECT_EQ(ProposedExportPath("", ExportShape::Loop), "Untitled loop.wav");
    EXPECT_EQ(ProposedExportPath("C:\\a.b\\song"), "C:\\a.b\\song.wav");
    EXPECT_EQ(ProposedExportPath("C:\\x\\.^&^"), "C:\\x\\.^&^.wav");
}

// A window of the test's own that counts what reaches it.
std::atomic<int> delivered{0};
std::vector<UINT> heldKinds;
LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) ++delivered;
    if (message == WM_CLOSE || message == WM_DROPFILES) {
        heldKinds.push_back(message);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST_F(CommandsTest, LongWorkShowsItsProgressDispatchesHoldsWhatWouldOpenOrAskDropsInputAndStopsOnEscape) {
    WNDCLASSA type = {};
    type.lpfnWndProc = CountingProc;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "SfCounter";
    RegisterClassA(&type);
    HWND counter = CreateWindowA("SfCounter", "", 0, 0, 0, 10, 10, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    const int onBefore = setup().StepAddress(0, 0).on;

    std::atomic<bool> boxSeen{false};
    std::thread helper([&] {
        for (int i = 0; i < 400 && !FindWindowA("StepforgeProgress", nullptr); ++i) Sleep(50);
        boxSeen = FindWindowA("StepforgeProgress", nullptr) != nullptr;
        PostMessageA(counter, WM_APP, 0, 0);
        // A file dropped and a close, which would open or ask inside the wait: held.
        PostMessageA(counter, WM_DROPFILES, 0, 0);
        PostMessageA(counter, WM_CLOSE, 0, 0);
        // A click on step 1's on button is held back, not acted on.
        PostMessageA(hwnd(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(ColumnX(1) + 12 + 8, 2 + 30 + 8));
        PostMessageA(hwnd(), WM_LBUTTONUP, 0, MAKELPARAM(ColumnX(1) + 12 + 8, 2 + 30 + 8));
        Sleep(200);
        PostMessageA(hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
    });
    double reached = 0;
    const DWORD started = GetTickCount();
    HeldMessages held;
    const bool finished = RunBesideWindow(
        hwnd(), "Export WAV",
        [&](const WorkProgress& progress) {
            // Runs until it is asked to stop (or 20 s pass).
            for (int i = 0; i < 2000; ++i) {
                reached = i / 2000.0;
                if (!progress(reached)) return;
                Sleep(10);
            }
        },
        held);
    helper.join();
    EXPECT_FALSE(finished);
    EXPECT_TRUE(boxSeen);
    EXPECT_LT(reached, 0.99) << "stopped by Escape";
    EXPECT_GE(GetTickCount() - started, kProgressDelayMs);
    EXPECT_EQ(delivered.load(), 1) << "messages are dispatched while the work runs";
    EXPECT_EQ(setup().StepAddress(0, 0).on, onBefore) << "input is held back";
    EXPECT_EQ(FindWindowA("StepforgeProgress", nullptr), nullptr) << "the box is gone";
    EXPECT_TRUE(heldKinds.empty()) << "nothing that opens or asks ran inside the wait";
    held.PostAgain();
    MSG msg;
    while (PeekMessageA(&msg, counter, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    EXPECT_EQ(heldKinds, (std::vector<UINT>{WM_DROPFILES, WM_CLOSE})) << "handled afterwards, in order";
    DestroyWindow(counter);
}

}  // namespace
