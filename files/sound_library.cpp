#include "files/sound_library.h"

#include <commdlg.h>

#include "files/question_box.h"
#include "files/sound_order.h"


std::string FileTitleOf(const std::string& path) {
    char title[256] = {};
    if (GetFileTitleA(path.c_str(), title, sizeof title) != 0) return std::string();
    return title;
}

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of("\\/");
    if (slash == std::string::npos) return std::string();
    // A root keeps its backslash: "D:" alone would mean the drive's current
    // directory, and "" no folder at all.
    const bool driveRoot = slash == 2 && path[1] == ':';
    return path.substr(0, driveRoot || slash == 0 ? slash + 1 : slash);
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && (folder.back() == '\\' || folder.back() == '/')) return folder + name;
    return folder + "\\" + name;
}

namespace {
// The WAV files of the current directory, in sound-list order.
void ListWaveFilesHere(std::vector<std::string>* names) {
    names->clear();
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA("*.wav", &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            names->push_back(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    SortLikeNtfs(*names);
}
}  // namespace

bool SoundLibrary::LoadSoundDirectory(const std::string& folder) {
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    if (folder.empty() || !SetCurrentDirectoryA(folder.c_str())) {
        SetCurrentDirectoryA(previous);
        return false;
    }
    // Kept as a full path: the sounds are opened by it while the folder
    // itself is the current directory, where a relative path (as a setup
    // file may hold) would name a folder inside it.
    char full[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, full);
    setup_.soundDir = length > 0 && length < MAX_PATH ? std::string(full) : folder;
    setup_.soundDirTitle = FileTitleOf(folder);
    setup_.modified = 1;
    engine_.ReleaseSoundBank();
    setup_.soundNames.clear();

    ListWaveFilesHere(&setup_.soundNames);
    engine_.LoadSoundBank();
    SetCurrentDirectoryA(previous);
    if (listLoaded_) listLoaded_();
    return true;
}

bool SoundLibrary::ChooseWaveFile(std::string* path) {
    if (chooser_) return chooser_(path);
    char file[MAX_PATH] = {};
    char title[MAX_PATH] = {};
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner_;
    dialog.lpstrFilter = "Wave files (*.wav)\0*.wav\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = MAX_PATH;
    dialog.lpstrTitle = "Import Sounds";
    dialog.lpstrDefExt = "*.wav";
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!GetOpenFileNameA(&dialog)) return false;
    *path = file;
    return true;
}

bool SoundLibrary::ImportSounds() {
    std::string chosen;
    if (!ChooseWaveFile(&chosen)) return false;
    // The chosen file's folder, which is also where the dialog leaves the
    // current directory; taken from the path so it holds wherever the dialog
    // leaves it.
    setup_.soundDir = FolderOf(chosen);
    setup_.soundDirTitle = FileTitleOf(setup_.soundDir);
    if (updateCaption_) updateCaption_();
    return ReloadSoundDirectory();
}

void SoundLibrary::Found() {
    setup_.modified = 0;
    if (updateCaption_) updateCaption_();
}

void SoundLibrary::LocateSoundDirectory() {
    for (const std::string& folder : SoundFolderCandidates(setup_)) {
        if (LoadSoundDirectory(folder)) return Found();
    }
    if (AskOkCancel("Problem locating sound directory:\n" + setup_.soundDir + "\nDo you want to try and find it?"))
        ImportSounds();
}

std::vector<std::string> SoundFolderCandidates(const Setup& setup) {
    std::vector<std::string> folders = {setup.soundDir};
    // The setup file's own folder when it bears the sound folder's name, with
    // its drive (a path without one would be looked for on the current drive).
    const std::string setupFolder = FolderOf(setup.filePath);
    if (!setupFolder.empty()) {
        if (FileTitleOf(setupFolder) == setup.soundDirTitle) folders.push_back(setupFolder);
        // A sound folder of the same name beside the setup file: a setup
        // file and its sounds moved together.
        if (!setup.soundDirTitle.empty()) folders.push_back(PathInFolder(setupFolder, setup.soundDirTitle));
    }
    return folders;
}

bool ListSoundFiles(const std::string& folder, std::vector<std::string>* names) {
    char previous[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, previous);
    if (folder.empty() || !SetCurrentDirectoryA(folder.c_str())) {
        SetCurrentDirectoryA(previous);
        return false;
    }
    ListWaveFilesHere(names);
    SetCurrentDirectoryA(previous);
    return true;
}

bool FindSoundFolder(const Setup& setup, std::string* folder, std::vector<std::string>* names) {
    for (const std::string& candidate : SoundFolderCandidates(setup)) {
        if (ListSoundFiles(candidate, names)) {
            *folder = candidate;
            return true;
        }
    }
    return false;
}

bool SoundLibrary::AskOkCancel(const std::string& text) {
    if (asker_) return asker_(text);
    return AskQuestion(owner_, "OKCANCELDLG", text) == 1;
}
