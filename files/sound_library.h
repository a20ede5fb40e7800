// The sound folder of a Setup: its WAV files become the sound list, loaded
// into the sound engine; it is chosen by importing a file from it, stored in
// setup files, and found again after a setup file is read.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "audio/sound_player.h"
#include "model/setup.h"

class SoundLibrary {
public:
    SoundLibrary(Setup& setup, SoundPlayer& engine) : setup_(setup), engine_(engine) {}

    void SetOwner(HWND owner) { owner_ = owner; }
    void SetCaptionUpdater(std::function<void()> update) { updateCaption_ = std::move(update); }
    // Called after every load of the sound list.
    void SetListLoadedHandler(std::function<void()> loaded) { listLoaded_ = std::move(loaded); }

    // Makes the folder the sound folder and loads its WAV files; false (and
    // nothing changed) when the folder cannot be entered.
    bool LoadSoundDirectory(const std::string& folder);
    bool ReloadSoundDirectory() { return LoadSoundDirectory(setup_.soundDir); }
    // Asks for a WAV file; its folder becomes the sound folder. False when cancelled.
    bool ImportSounds();
    // After a setup file was read: the stored folder, or one of the same name
    // where the setup file lies, or the user is asked to find it.
    void LocateSoundDirectory();
    // The question box; true for OK.
    bool AskOkCancel(const std::string& text);

    // Stand-ins for the two boxes, for tests that cannot click them.
    using Chooser = std::function<bool(std::string* path)>;
    using Asker = std::function<bool(const std::string& text)>;
    void SetFileChooser(Chooser chooser) { chooser_ = std::move(chooser); }
    void SetAsker(Asker asker) { asker_ = std::move(asker); }

private:
    bool ChooseWaveFile(std::string* path);
    void Found();

    Setup& setup_;
    SoundPlayer& engine_;
    HWND owner_ = nullptr;
    std::function<void()> updateCaption_;
    std::function<void()> listLoaded_;
    Chooser chooser_;
    Asker asker_;
};

// The title the shell gives a path's last part (GetFileTitleA).
std::string FileTitleOf(const std::string& path);
// The folder part of a file path, drive included, without a trailing
// backslash unless it is a root ("D:\", "\").
std::string FolderOf(const std::string& path);

// Where the sound folder of a Setup read from its file is looked for, in
// order: the folder it names; the setup file's own folder when that bears
// the same name; a folder of that name beside the setup file.
std::vector<std::string> SoundFolderCandidates(const Setup& setup);
// The WAV files of a folder in sound-list order; false when the folder
// cannot be entered. The current directory is the same afterwards.
bool ListSoundFiles(const std::string& folder, std::vector<std::string>* names);
// The first of the Setup's candidate sound folders that can be entered, and
// its WAV files, without asking anyone; false when none can.
bool FindSoundFolder(const Setup& setup, std::string* folder, std::vector<std::string>* names);
// A name inside a folder, with one backslash between them.
std::string PathInFolder(const std::string& folder, const std::string& name);
