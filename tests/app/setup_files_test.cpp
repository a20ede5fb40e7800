// Opening and saving setup files through the real window in this process:
// the save-changes question, the endings that open, round trips, the sound
// folder found again or asked for, and failures that change nothing.
#include <shlobj.h>
#include <shlwapi.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "model/setup_file.h"
#include "resources/resource.h"
#include "tests/app/window_fixture.h"
#include "tests/audio/wav_builder.h"

namespace {

std::string TempFolder(const std::string& name) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int counter = 0;
    const std::string folder = std::string(temp) + name + std::to_string(GetTickCount()) + "-" +
                               std::to_string(++counter);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// What the boxes would have been answered, and what they were asked.
std::vector<std::string> prompts;
int saveAnswer = 2;
std::vector<std::string> fileDialogs;
std::string fileAnswer;
int asked = 0;

int AnswerSaveQuestion(const std::string& prompt) {
    prompts.push_back(prompt);
    return saveAnswer;
}
bool AnswerFileQuestion(bool save, const std::string& proposed, std::string* chosen) {
    fileDialogs.push_back(std::string(save ? "save:" : "open:") + proposed);
    if (fileAnswer.empty()) return false;
    *chosen = fileAnswer;
    return true;
}

class SetupFilesTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        window->SetSaveQuestion(AnswerSaveQuestion);
        window->SetFileQuestion(AnswerFileQuestion);
        window->Library().SetAsker([](const std::string&) {
            ++asked;
            return false;
        });
        prompts.clear();
        fileDialogs.clear();
        fileAnswer.clear();
        saveAnswer = 2;
        asked = 0;
        notes.clear();
    }
    // A setup file made by the writer, naming `soundFolder`.
    static std::string MakeSetupFile(const std::string& folder, const std::string& name, const std::string& soundFolder,
                                     int pitch0) {
        ::Setup source;
        source.soundDir = soundFolder;
        source.StepAddress(0, 0).pitch = static_cast<int16_t>(pitch0);
        source.tempo = 140.0;
        source.stepsPerMeasure = 12;
        const std::string path = folder + "\\" + name;
        SetupFileWindowState state = {40, 30, 0x00336699, false, 0};
        EXPECT_TRUE(WriteSetupFile(source, path, state));
        return path;
    }
    static void MakeSoundFolder(const std::string& folder, int count) {
        CreateDirectoryA(folder.c_str(), nullptr);
        WavFile wav;
        wav.data = SineData(440, 0.1, 44100, 16, 1);
        for (int i = 0; i < count; ++i) WriteAll(folder + "\\s" + std::to_string(i) + ".wav", wav.Bytes());
    }
};

TEST_F(SetupFilesTest, AnUneditedSetupIsReplacedWithoutAQuestionAndLeavesNothingToUndo) {
    const std::string folder = TempFolder("sf-open-");
    MakeSoundFolder(folder + "\\drums", 2);
    fileAnswer = MakeSetupFile(folder, "a.^&^", folder + "\\drums", 7);
    window->Controller().SetTempo(99.0);
    window->Controller().BeginEdit(ColumnControlId(0, 20));  // an undo snapshot of the Setup before
    setup().modified = 0;
    window->OpenSetupDialog();
    EXPECT_TRUE(prompts.empty());
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 7);
    EXPECT_EQ(setup().tempo, 140.0);
    EXPECT_EQ(setup().stepsPerMeasure, 12);
    EXPECT_EQ(setup().soundNames.size(), 2u);
    EXPECT_EQ(setup().modified, 0);
    EXPECT_EQ(setup().caption, " -  +  \xF7  x :   a.^&^ using: drums");
    EXPECT_EQ(panel().TempoDial().GetRealValue(), 140.0);
    EXPECT_EQ(panel().Column(1).ReadValue(20), 7);
    char text[128];
    GetWindowTextA(hwnd(), text, sizeof text);
    EXPECT_STREQ(text, setup().caption.c_str());

    // The snapshot was of another document: Undo is grey and does nothing.
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_EDIT_MENU));
    window->Commands().PrepareMenu(IDR_EDIT_MENU, GetSubMenu(menu, 0));
    EXPECT_TRUE(GetMenuState(GetSubMenu(menu, 0), IDM_UNDO, MF_BYCOMMAND) & MF_GRAYED);
    DestroyMenu(menu);
    window->Commands().OnCommand(IDM_UNDO);
    EXPECT_EQ(setup().tempo, 140.0);
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 7);
    EXPECT_EQ(setup().modified, 0);
}

TEST_F(SetupFilesTest, TheQuestionNamesTheUntitledSetupAndItsAnswersDecide) {
    const std::string folder = TempFolder("sf-ask-");
    const std::string file = MakeSetupFile(folder, "b.^&^", folder + "\\none", 3);
    setup().filePath.clear();
    setup().modified = 1;
    setup().StepAddress(0, 0).pitch = 11;

    saveAnswer = 0;  // Cancel
    fileAnswer = file;
    window->OpenSetupDialog();
    ASSERT_EQ(prompts.size(), 1u);
    EXPECT_EQ(prompts[0], "Save changes to\n\" Untitled Settings.^&^ \"?");
    EXPECT_TRUE(fileDialogs.empty()) << "Cancel shows nothing more";
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 11);

    saveAnswer = -1;  // the box could not be shown: as Cancel, never as Don't Save
    window->OpenSetupDialog();
    EXPECT_TRUE(fileDialogs.empty());
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 11);

    saveAnswer = 1;  // Save, then cancel the save dialog
    fileAnswer.clear();
    window->OpenSetupDialog();
    ASSERT_EQ(fileDialogs.size(), 1u);
    EXPECT_EQ(fileDialogs[0], "save:Untitled Settings.^&^");
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 11) << "the open is cancelled too";
    EXPECT_EQ(setup().modified, 1);

    saveAnswer = 2;  // Don't Save
    fileAnswer = file;
    window->OpenSetupDialog();
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 3);
    EXPECT_EQ(asked, 1) << "its sound folder is gone: the user was asked";
}

TEST_F(SetupFilesTest, OnlySetupFileEndingsOpenFromADropOrTheCommandLine) {
    const std::string folder = TempFolder("sf-drop-");
    const std::string made = MakeSetupFile(folder, "song.^&^", folder, 5);
    const std::vector<uint8_t> bytes = ReadAll(made);
    int pitch = 20;
    for (const char* name : {"song.^&^", "song.^_^", "song.^^", "song.^&^x", "song.txt"}) {
        const std::string path = folder + "\\" + name;
        WriteAll(path, bytes);
        setup().StepAddress(0, 0).pitch = static_cast<int16_t>(pitch);
        setup().modified = 0;
        window->OpenSetupPath(path);
        const bool opens = std::string(name).find("x") == std::string::npos &&
                           std::string(name).find("txt") == std::string::npos;
        EXPECT_EQ(setup().StepAddress(0, 0).pitch, opens ? 5 : pitch) << name;
        ++pitch;
    }
    EXPECT_TRUE(notes.empty());
}

TEST_F(SetupFilesTest, SaveWritesWhatTheWriterGivesAndClearsModified) {
    const std::string folder = TempFolder("sf-save-");
    fileAnswer = MakeSetupFile(folder, "c.^&^", folder, 1);
    setup().modified = 0;
    window->OpenSetupDialog();
    setup().StepAddress(0, 9).volume = 33;
    setup().modified = 1;
    window->Commands().OnCommand(IDM_SAVE_SETUP);
    EXPECT_EQ(setup().modified, 0);
    EXPECT_TRUE(fileDialogs.size() == 1) << "a titled Setup saves without a dialog";
    RECT place;
    GetWindowRect(hwnd(), &place);
    SetupFileWindowState state = {place.left, place.top, panel().Scheme().highlight2, false, 0};
    EXPECT_EQ(ReadAll(fileAnswer), EncodeSetupFile(setup(), state));
}

TEST_F(SetupFilesTest, ASoundFolderMovedBesideTheSetupFileIsFoundWithoutAQuestion) {
    const std::string folder = TempFolder("sf-moved-");
    MakeSoundFolder(folder + "\\kit", 3);
    fileAnswer = MakeSetupFile(folder, "d.^&^", "C:\\gone\\elsewhere\\kit", 2);
    setup().modified = 0;
    window->OpenSetupDialog();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(setup().soundNames.size(), 3u);
    EXPECT_EQ(setup().soundDir, folder + "\\kit");

    // A folder named relative to the setup file, as the demo names its kit,
    // opened from the setup file's own folder (a file dropped on the program
    // beside it): the sounds are opened by their full paths, and play.
    fileAnswer = MakeSetupFile(folder, "r.^&^", "kit", 2);
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.c_str());
    setup().modified = 0;
    window->OpenSetupDialog();
    SetCurrentDirectoryA(previous);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(setup().soundDir, folder + "\\kit");
    EXPECT_TRUE(notes.empty()) << notes.front();
    EXPECT_TRUE(StepSounds(0, 1));
}

TEST_F(SetupFilesTest, AFolderGoneAsksAndCancelKeepsThePreviousSounds) {
    const std::string folder = TempFolder("sf-gone-");
    MakeSoundFolder(folder + "\\mine", 4);
    window->Library().LoadSoundDirectory(folder + "\\mine");
    ASSERT_EQ(setup().soundNames.size(), 4u);
    fileAnswer = MakeSetupFile(folder, "e.^&^", "C:\\gone\\other", 9);
    setup().modified = 0;
    window->OpenSetupDialog();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(setup().soundNames.size(), 4u);
    EXPECT_TRUE(StepSounds(0, 1));
}

TEST_F(SetupFilesTest, FailuresSayWhyAndChangeNothing) {
    const std::string folder = TempFolder("sf-fail-");
    const std::string damaged = folder + "\\damaged.^&^";
    WriteAll(damaged, {0x00, 0xA4, 0x0C, 0x46, 1, 2, 3});
    setup().StepAddress(0, 0).pitch = 4;
    const std::string pathBefore = setup().filePath;
    setup().modified = 0;
    fileAnswer = damaged;
    window->OpenSetupDialog();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("damaged.^&^"), std::string::npos);
    EXPECT_NE(notes[0].find("too short or damaged"), std::string::npos);
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 4);
    EXPECT_EQ(setup().filePath, pathBefore);

    notes.clear();
    const std::string old = MakeSetupFile(folder, "keep.^&^", folder, 1);
    const std::vector<uint8_t> oldBytes = ReadAll(old);
    fileAnswer = folder + "\\no such folder\\new.^&^";
    setup().modified = 1;
    window->SaveSetupAs();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("Could not save"), std::string::npos);
    EXPECT_EQ(setup().modified, 1) << "nothing was saved";
    EXPECT_EQ(setup().filePath, pathBefore);
    EXPECT_EQ(ReadAll(old), oldBytes);
}

std::wstring Wide(const std::string& text) {
    std::wstring wide(text.size(), L'\0');
    for (size_t i = 0; i < text.size(); ++i) wide[i] = static_cast<unsigned char>(text[i]);
    return wide;
}

// The path as a Linux user types it, from Wine's own mapping; empty elsewhere.
std::string UnixPathOf(const std::string& path) {
    using ToUnix = char*(CDECL*)(const wchar_t*);
    const auto toUnix = reinterpret_cast<ToUnix>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return std::string();
    char* unix = toUnix(Wide(path).c_str());
    if (!unix) return std::string();
    const std::string result = unix;
    HeapFree(GetProcessHeap(), 0, unix);
    return result;
}

TEST_F(SetupFilesTest, TheCommandLineSetsTheMasterDefaultsThenOpensItsFileOrSaysWhy) {
    const std::string folder = TempFolder("sf-cmdline-");
    const std::string made = MakeSetupFile(folder, "song.^&^", folder, 6);
    const std::string damaged = folder + "\\damaged.^&^";
    WriteAll(damaged, {0x00, 0xA4, 0x0C, 0x46, 1});
    WriteAll(folder + "\\song.txt", ReadAll(made));
    const std::string unix = UnixPathOf(made);
    ASSERT_FALSE(unix.empty()) << "these tests run under Wine";
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryA("Z:\\")) << "Wine's drive of the Unix root";

    struct Case {
        std::wstring argument;
        const char* note;  // a part of the one notice expected, or none
        int pitch;         // step 0's pitch afterwards: 6 when the file opened
    };
    const Case cases[] = {
        {Wide(folder + "\\missing.^&^"), "Path not found.", 1},
        {Wide(damaged), "too short or damaged", 1},
        {Wide(folder + "\\song.txt"), nullptr, 1},
        // Longer than MAX_PATH, or not in the ANSI code page: no path the
        // program can open.
        {Wide(folder + "\\" + std::string(300, 'x') + ".^&^"), "It could not be opened.", 1},
        {Wide(folder + "\\") + L"\x4E2D.^&^", "It could not be opened.", 1},
        // As a Linux user types it: Wine's shell faults on a path that
        // starts with a slash, so the program makes it absolute first.
        {Wide(UnixPathOf(folder) + "/gone.^&^"), "Path not found.", 1},
        {Wide(unix), nullptr, 6},
    };
    for (const Case& c : cases) {
        // Where start-up left them before the Setup's values were shown.
        panel().VolumeDial().SetValue(100);
        panel().PitchDial().SetValue(67);
        setup().masterVolume = 50;
        setup().StepAddress(0, 0).pitch = 1;
        setup().modified = 0;
        notes.clear();
        window->OpenCommandLine((L"Stepforge.exe \"" + c.argument + L"\"").c_str());
        const std::string what(c.argument.begin(), c.argument.end());
        EXPECT_EQ(setup().StepAddress(0, 0).pitch, c.pitch) << what;
        EXPECT_EQ(panel().VolumeDial().GetValue(), setup().masterVolume) << what;
        EXPECT_EQ(panel().PitchDial().GetValue(), setup().masterPitch) << what;
        if (c.pitch == 1) {
            EXPECT_EQ(setup().masterVolume, 80) << what;
            EXPECT_EQ(setup().masterPitch, 0) << what;
        }
        if (c.note) {
            ASSERT_EQ(notes.size(), 1u) << what;
            EXPECT_NE(notes[0].find(c.note), std::string::npos) << notes[0];
        } else {
            EXPECT_TRUE(notes.empty()) << what << ": " << notes.front();
        }
    }
    SetCurrentDirectoryA(previous);
}

// What a question box showed, read by a timer of this thread while the box's
// own modal loop runs; then the box is answered with `answer`.
struct ShownBox {
    HWND owner = nullptr;
    int answer = IDCANCEL;
    bool seen = false;
    std::string text;
    LONG style = 0;
    int ticks = 0;
};
ShownBox* shownBox = nullptr;

BOOL CALLBACK ReadBox(HWND box, LPARAM) {
    if (GetWindow(box, GW_OWNER) != shownBox->owner || !GetDlgItem(box, IDC_QUESTION_TEXT)) return TRUE;
    char text[512] = {};
    GetDlgItemTextA(box, IDC_QUESTION_TEXT, text, sizeof text);
    shownBox->text = text;
    shownBox->style = GetWindowLongA(GetDlgItem(box, IDC_QUESTION_TEXT), GWL_STYLE);
    shownBox->seen = true;
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(shownBox->answer, BN_CLICKED), 0);
    return FALSE;
}

void CALLBACK InspectBox(HWND, UINT, UINT_PTR, DWORD) {
    if (!shownBox->seen) EnumThreadWindows(GetCurrentThreadId(), ReadBox, 0);
    // Never left waiting: WM_QUIT ends any modal loop of this thread.
    if (!shownBox->seen && ++shownBox->ticks == 100) PostQuitMessage(0);
}

TEST_F(SetupFilesTest, BothQuestionBoxesShowTheNamesAsTheyAre) {
    ShownBox box;
    box.owner = hwnd();
    shownBox = &box;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, InspectBox);
    window->SetSaveQuestion(nullptr);
    setup().filePath = "C:\\songs\\song.^&^";
    setup().modified = 1;
    EXPECT_FALSE(window->PromptSaveChanges()) << "Cancel";
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.text, "Save changes to\n\"C:\\songs\\song.^&^\"?");
    EXPECT_TRUE(box.style & SS_NOPREFIX) << "an ampersand in a name is no mnemonic";

    box.seen = false;
    box.answer = IDCANCEL;
    window->Library().SetAsker(nullptr);
    EXPECT_FALSE(window->Library().AskOkCancel("Problem locating sound directory:\nC:\\R&B\nDo you want to try and find it?"));
    ASSERT_TRUE(box.seen);
    EXPECT_NE(box.text.find("C:\\R&B"), std::string::npos);
    EXPECT_TRUE(box.style & SS_NOPREFIX);
    KillTimer(nullptr, timer);
    shownBox = nullptr;
    setup().modified = 0;
}

// The block a shell drop hands over, naming these files.
HGLOBAL MakeDrop(const std::vector<std::string>& files) {
    size_t size = sizeof(DROPFILES) + 1;
    for (const std::string& f : files) size += f.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    char* names = reinterpret_cast<char*>(drop) + sizeof(DROPFILES);
    for (const std::string& f : files) {
        std::memcpy(names, f.c_str(), f.size() + 1);
        names += f.size() + 1;
    }
    GlobalUnlock(block);
    return block;
}

TEST_F(SetupFilesTest, ADropOpensOnlyTheFirstFileAndAShortcutOpensItsTarget) {
    const std::string folder = TempFolder("sf-dropped-");
    const std::string first = MakeSetupFile(folder, "first.^&^", folder, 12);
    const std::string second = MakeSetupFile(folder, "second.^&^", folder, 13);
    setup().modified = 0;
    SendMessageA(hwnd(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({first, second})), 0);
    Pump();
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 12);

    // A shortcut to the second file, made through the shell.
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&link))));
    link->SetPath(second.c_str());
    ASSERT_TRUE(SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))));
    const std::string shortcut = folder + "\\to second.lnk";
    wchar_t wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, shortcut.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(file->Save(wide, TRUE)));
    file->Release();
    link->Release();
    CoUninitialize();

    setup().modified = 0;
    window->OpenSetupPath(shortcut);
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 13);
    EXPECT_NE(setup().caption.find("second.^&^"), std::string::npos) << setup().caption;

    // "Lnk" in mixed case is no shortcut ending: ignored.
    const std::string mixed = folder + "\\mixed.Lnk";
    CopyFileA(shortcut.c_str(), mixed.c_str(), FALSE);
    setup().StepAddress(0, 0).pitch = 1;
    setup().modified = 0;
    window->OpenSetupPath(mixed);
    EXPECT_EQ(setup().StepAddress(0, 0).pitch, 1);
}

TEST_F(SetupFilesTest, AWindowPlaceOffEveryScreenIsBroughtBack) {
    const std::string folder = TempFolder("sf-place-");
    ::Setup source;
    source.soundDir = folder;
    const std::string path = folder + "\\far.^&^";
    ASSERT_TRUE(WriteSetupFile(source, path, SetupFileWindowState{-30000, 40000, 0x00336699, false, 0}));
    setup().modified = 0;
    window->OpenSetupPath(path);
    RECT placed;
    GetWindowRect(hwnd(), &placed);
    EXPECT_GE(placed.left, 0);
    EXPECT_LT(placed.top, GetSystemMetrics(SM_CYSCREEN));
}

TEST_F(SetupFilesTest, TheCaptionOfAFreshSetupNamesItUntitled) {
    setup().filePath.clear();
    setup().soundDirTitle = "drums";
    window->UpdateCaption();
    EXPECT_EQ(setup().caption, " -  +  \xF7  x :   Untitled using: drums");
}

}  // namespace
