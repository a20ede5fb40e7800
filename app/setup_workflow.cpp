// The user's side of setup files: open (dialog, command line, drop), save,
// save as, the save-changes question, and the caption.
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "ui/notice.h"
#include "ui/window_helpers.h"
#include "files/question_box.h"
#include "model/setup_file.h"
#include "panels/main_panel.h"
#include "playback/instance_link.h"

namespace {
// The file dialogs' filter; \266 and \247 are the pilcrow and the section sign.
const char kFilter[] =
    "^&^ files (*.^&^)\0*.^&^\0^\266^ files (*.^\266^)\0*.^\266^\0^\247^ files (*.^\247^)\0*.^\247^\0"
    "All Files (*.*)\0*.*\0";
const char kDefaultExtension[] = "^&^";
const char kUntitledFileName[] = "Untitled Settings.^&^";
// The question box shows its text as it is, ampersands included.
const char kUntitledPromptName[] = " Untitled Settings.^&^ ";
const char kCaptionStart[] = " -  +  \xF7  x :   ";

// Answers of the save-changes question; -1 means the box could not be shown.
constexpr int kSaveQuestionSave = 1, kSaveQuestionDontSave = 2;

std::string LastThree(const std::string& text) { return text.size() < 3 ? text : text.substr(text.size() - 3); }

// The target of a shell shortcut; empty when it cannot be read.
std::string ResolveShellLink(const std::string& linkPath, HWND window) {
    std::string target;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(&link));
    if (SUCCEEDED(result)) result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        wchar_t wide[MAX_PATH] = {};
        MultiByteToWideChar(CP_ACP, 0, linkPath.c_str(), -1, wide, MAX_PATH);
        result = file->Load(wide, STGM_READ);
    }
    if (SUCCEEDED(result)) result = link->Resolve(window, SLR_ANY_MATCH);
    if (SUCCEEDED(result)) {
        char path[MAX_PATH] = {};
        WIN32_FIND_DATAA found;
        result = link->GetPath(path, MAX_PATH, &found, SLGP_SHORTPATH);
        if (FAILED(result)) ShowNote("GetPath failed!");
        else target = path;
    }
    if (file) file->Release();
    if (link) link->Release();
    CoUninitialize();
    return target;
}

// The path made absolute as the file system makes it: "/home/me/x" names
// \home\me\x on the current drive, which under Wine is usually the drive of
// the Unix root. Empty when that does not fit MAX_PATH.
std::string AbsolutePath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return std::string();
    return full;
}

// The full, long form of a path through the shell; false with "Path not found.".
bool ResolveShellPath(const std::string& path, std::string* full) {
    // The shell is given only absolute paths that fit its buffers: Wine's
    // shell faults on a path that starts with a slash.
    const std::string absolute = AbsolutePath(path);
    wchar_t wide[MAX_PATH] = {};
    if (absolute.empty() ||
        MultiByteToWideChar(CP_ACP, MB_PRECOMPOSED, absolute.c_str(), -1, wide, MAX_PATH) == 0) {
        ShowNote("Path not found.");
        return false;
    }
    IShellFolder* desktop = nullptr;
    LPITEMIDLIST items = nullptr;
    HRESULT result = SHGetDesktopFolder(&desktop);
    if (SUCCEEDED(result)) {
        result = desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, &items, nullptr);
        desktop->Release();
    }
    if (FAILED(result) || !items) {
        ShowNote("Path not found.");
        return false;
    }
    char buffer[MAX_PATH] = {};
    const bool ok = SHGetPathFromIDListA(items, buffer);
    IMalloc* allocator = nullptr;
    if (SUCCEEDED(SHGetMalloc(&allocator))) {
        allocator->Free(items);
        allocator->Release();
    }
    if (!ok) {
        ShowNote("Path not found.");
        return false;
    }
    *full = buffer;
    return true;
}

bool CanOpenForReading(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

const char kCannotOpen[] = "It could not be opened.";

void ShowCouldNotOpen(const std::string& path, const char* reason) {
    ShowNote(("Could not open the setup file:\n" + path + "\n" + reason + " Nothing was changed.").c_str());
}

// A command-line argument as a path in the ANSI code page; false when it has
// a character the code page lacks or does not fit MAX_PATH. `shown` gets it
// as well as it converts, for the message.
bool AnsiPathOf(const std::wstring& argument, std::string* path, std::string* shown) {
    const int wideLength = static_cast<int>(argument.size());
    // A UTF-8 code page holds every character, and takes neither the flag
    // nor the question whether a default character was used.
    const bool utf8 = GetACP() == CP_UTF8;
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL lossy = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, flags, argument.c_str(), wideLength, nullptr, 0, nullptr,
                                          utf8 ? nullptr : &lossy);
    std::string converted(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        WideCharToMultiByte(CP_ACP, flags, argument.c_str(), wideLength, &converted[0], bytes, nullptr, nullptr);
    }
    *shown = converted;
    if (bytes <= 0 || lossy || bytes >= MAX_PATH) return false;
    *path = converted;
    return true;
}
}  // namespace

bool MainWindow::PromptSaveChanges() {
    if (setup_.modified == 0) return true;
    const std::string name = setup_.filePath.empty() ? kUntitledPromptName : setup_.filePath;
    char prompt[256];
    std::snprintf(prompt, sizeof prompt, "%s%s%s", "Save changes to\n\"", name.c_str(), "\"?");
    const int answer =
        saveQuestion_ ? saveQuestion_(prompt) : static_cast<int>(AskQuestion(Handle(), "SAVECHANGESDLG", prompt));
    if (answer == kSaveQuestionSave) {
        if (setup_.filePath.empty()) SaveSetupAs();
        else WriteSetupFileAndShow(setup_.filePath);
        return setup_.modified == 0;
    }
    // Only an explicit Don't Save lets the edits go; Cancel, and a box that
    // could not be shown at all, keep them.
    return answer == kSaveQuestionDontSave;
}

bool MainWindow::ChooseSetupFile(bool save, const std::string& proposed, std::string* chosen) {
    if (fileQuestion_) return fileQuestion_(save, proposed, chosen);
    char file[MAX_PATH] = {};
    lstrcpynA(file, proposed.c_str(), MAX_PATH);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = Handle();
    dialog.lpstrFilter = kFilter;
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = kDefaultExtension;
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    const BOOL ok = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (ok) *chosen = file;
    return ok != FALSE;
}

void MainWindow::OpenSetupDialog() {
    if (!PromptSaveChanges()) return;
    std::string path;
    if (!ChooseSetupFile(false, "", &path)) {
        ResetFocus();
        return;
    }
    ReadSetupFileAndShow(path);
}

void MainWindow::OpenSetupPath(const std::string& path) {
    if (!PromptSaveChanges()) return;
    std::string working = path;
    const std::string ending = LastThree(path);
    if (ending == "LNK" || ending == "lnk") {
        const std::string link = AbsolutePath(path);
        working = link.empty() ? std::string() : ResolveShellLink(link, Handle());
    }
    const std::string type = LastThree(working);
    if (type != ".^^" && type != "^_^" && type != "^&^") return;
    std::string full;
    // Nothing is read when the shell cannot name the file: the Setup stays as it was.
    if (!ResolveShellPath(working, &full)) return;
    ReadSetupFileAndShow(full);
}

void MainWindow::SaveSetup() {
    if (setup_.filePath.empty()) SaveSetupAs();
    else WriteSetupFileAndShow(setup_.filePath);
}

void MainWindow::SaveSetupAs() {
    const std::string proposed = setup_.filePath.empty() ? kUntitledFileName : setup_.filePath;
    std::string path;
    if (ChooseSetupFile(true, proposed, &path)) WriteSetupFileAndShow(path);
    ResetFocus();
}

void MainWindow::UpdateCaption() {
    std::string title = FileTitleOf(setup_.filePath);
    if (title.empty()) title = "Untitled";
    setup_.caption = kCaptionStart + title + " using: " + setup_.soundDirTitle;
    SetWindowTextA(Handle(), setup_.caption.c_str());
}

bool MainWindow::WriteSetupFileAndShow(const std::string& path) {
    SetupFileWindowState state = {};
    RECT window;
    GetWindowRect(Handle(), &window);
    state.left = window.left;
    state.top = window.top;
    state.schemeColor = panel_->Scheme().highlight2;
    const std::string previousPath = setup_.filePath;
    if (!WriteSetupFile(setup_, path, state)) {
        // A failed save changes nothing: the Setup keeps its name and its
        // edits, and the file on disk is what it was.
        setup_.filePath = previousPath;
        ShowNote(("Could not save the setup file:\n" + path +
                  "\nIt could not be written (is the folder writable, is the disk full?). "
                  "The file on disk is unchanged.")
                     .c_str());
        return false;
    }
    UpdateCaption();
    setup_.modified = 0;
    return true;
}

bool MainWindow::ReadSetupFileAndShow(const std::string& path) {
    SetupFileWindowState state = {};
    if (!ReadSetupFile(setup_, path, &state)) {
        ShowCouldNotOpen(path, CanOpenForReading(path) ? "It is too short or damaged to be a setup file." : kCannotOpen);
        ResetFocus();
        return false;
    }
    // The hand-over, in order: sound folder, tempo and master values, mute,
    // caption and edited measure, window size and place, colours, layout.
    setup_.soundDirTitle = FileTitleOf(setup_.soundDir);
    library_.LocateSoundDirectory();
    panel_->TempoDial().SetShowDerived(setup_.tempoUnit);
    controller_.SetTempo(setup_.tempo);
    controller_.SetMasterVolume(setup_.masterVolume);
    controller_.SetMasterPitch(setup_.masterPitch);
    panel_->SetMuteButton(setup_.muted == 0);
    ShowWindow(Handle(), SW_HIDE);
    UpdateCaption();
    controller_.ShowMeasure(setup_.editMeasure);
    ApplyLoadedWindowState(state);
    ShowWindow(Handle(), SW_SHOW);
    panel_->LayoutColumns();
    setup_.modified = 0;
    // The undo buffer belongs to the document that was open before.
    setup_.undoMeasure = -1;
    ResetFocus();
    return true;
}

void MainWindow::ApplyLoadedWindowState(const SetupFileWindowState& state) {
    // The file holds the step count; the size follows from it at this zoom.
    const SIZE client = MainPanel::ClientSizeFor(setup_.stepsPerMeasure);
    ResizeToClient(Handle(), RECT{0, 0, client.cx, client.cy});
    SetWindowPos(Handle(), nullptr, state.left, state.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    // A place stored on a screen that is not there (another monitor, another
    // resolution) would leave the window out of reach.
    RECT placed, visible;
    GetWindowRect(Handle(), &placed);
    const RECT screen = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                         GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                         GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    if (!IntersectRect(&visible, &placed, &screen) || visible.bottom - visible.top < 20) CenterWindow(Handle());
    panel_->ApplyColorScheme(state.schemeColor);
    backgroundColor_ = panel_->Scheme().btnFace;
    textColor_ = panel_->Scheme().highlight2;
    ReplaceBackgroundBrush(backgroundColor_);
}

void MainWindow::OpenCommandLine(const wchar_t* commandLine) {
    // The defaults first, so that the dials show the Setup's values whether
    // or not a file then opens.
    controller_.SetMasterVolume(80);
    controller_.SetMasterPitch(0);
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    std::wstring argument;
    if (arguments && count > 1) argument = arguments[1];
    if (arguments) LocalFree(arguments);
    if (argument.empty()) return;
    std::string path, shown;
    if (AnsiPathOf(argument, &path, &shown)) OpenSetupPath(path);
    else ShowCouldNotOpen(shown, kCannotOpen);
}

void MainWindow::OnDropFiles(HDROP drop) {
    char path[MAX_PATH] = " ";
    DragQueryFileA(drop, 0, path, MAX_PATH);
    DragFinish(drop);
    OpenSetupPath(path);
}
