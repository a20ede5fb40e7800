#include "app/export_command.h"

#include <windows.h>
#include <commdlg.h>

#include <cstdio>

#include "app/main_window.h"
#include "app/standard_streams.h"
#include "files/sound_library.h"
#include "files/wav_export.h"
#include "model/setup_file.h"
#include "ui/background_work.h"
#include "ui/notice.h"

namespace {

ExportFileChooser fileChooser = nullptr;

// The title of the save dialog and of the progress box.
const char* ExportTitle(ExportShape shape) { return shape == ExportShape::Loop ? "Export Loop WAV" : "Export WAV"; }

bool ChooseExportFile(HWND owner, const std::string& proposed, const char* title, std::string* chosen) {
    if (fileChooser) return fileChooser(proposed, chosen);
    char file[MAX_PATH] = {};
    lstrcpynA(file, proposed.c_str(), MAX_PATH);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = "Wave files (*.wav)\0*.wav\0All Files (*.*)\0*.*\0";
    dialog.lpstrFile = file;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrDefExt = "wav";
    dialog.lpstrTitle = title;
    // The sound library relies on the current directory: the dialog leaves it alone.
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR;
    if (!GetSaveFileNameA(&dialog)) return false;
    *chosen = file;
    return true;
}

std::vector<std::string> SoundPaths(const std::string& folder, const std::vector<std::string>& names) {
    std::vector<std::string> paths;
    for (const std::string& name : names) paths.push_back(folder + "\\" + name);
    return paths;
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full) : path;
}

bool CanOpenForReading(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

int Fail(const std::string& message) {
    WriteStandardLine(true, "Stepforge: " + message);
    return 1;
}

bool IsLoopSwitch(const std::string& argument) { return lstrcmpiA(argument.c_str(), "/loop") == 0; }

}  // namespace

void SetExportFileChooser(ExportFileChooser chooser) { fileChooser = chooser; }

std::string ProposedExportPath(const std::string& setupPath, ExportShape shape) {
    const std::string ending = shape == ExportShape::Loop ? " loop.wav" : ".wav";
    if (setupPath.empty()) return "Untitled" + ending;
    const size_t name = setupPath.find_last_of("\\/:");
    const size_t dot = setupPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (name == std::string::npos || dot > name + 1);
    return (hasExtension ? setupPath.substr(0, dot) : setupPath) + ending;
}

void ExportWavFromMenu(MainWindow& window, ExportShape shape) {
    Setup& setup = window.GetSetup();
    std::string path;
    if (!ChooseExportFile(window.Handle(), ProposedExportPath(setup.filePath, shape), ExportTitle(shape), &path)) {
        window.ResetFocus();
        return;
    }
    // Planned here, from the Setup as it stands; the render then needs only the plan.
    ExportPlan plan;
    const PlanOutcome planned = PlanExport(setup, static_cast<int>(setup.soundNames.size()), &plan);
    if (planned != PlanOutcome::Planned) {
        ShowNote(PlanFailureMessage(planned).c_str());
        window.ResetFocus();
        return;
    }
    const std::vector<std::string> sounds = SoundPaths(setup.soundDir, setup.soundNames);
    ExportResult result;
    HeldMessages held;
    RunBesideWindow(
        window.Handle(), ExportTitle(shape),
        [&](const WorkProgress& progress) { result = ExportWav(plan, sounds, path, progress, shape); }, held);
    if (result.status != ExportResult::Cancelled) ShowNote(result.message.c_str());
    window.ResetFocus();
    // A file dropped or a close asked for meanwhile is handled now, after the
    // note, by the window's own loop.
    held.PostAgain();
}

bool IsExportSwitch(const std::string& argument) {
    return lstrcmpiA(argument.c_str(), "/export") == 0;
}

int RunCommandLineExport(const std::vector<std::string>& arguments) {
    std::vector<std::string> files;
    int loops = 0;
    for (const std::string& argument : arguments) {
        if (IsLoopSwitch(argument)) ++loops;
        else files.push_back(argument);
    }
    if (files.size() != 2 || loops > 1) {
        WriteStandardLine(true, "Usage: Stepforge.exe /export SETUP-FILE OUT.wav [/loop]");
        return 2;
    }
    const ExportShape shape = loops > 0 ? ExportShape::Loop : ExportShape::CycleWithTails;
    const std::string setupPath = FullPath(files[0]);
    const std::string outPath = FullPath(files[1]);

    Setup setup;
    if (!ReadSetupFile(setup, setupPath, nullptr)) {
        return Fail("Could not read the setup file " + setupPath + ": " +
                    (CanOpenForReading(setupPath) ? "it is too short or damaged to be a setup file."
                                                  : "it could not be opened."));
    }
    setup.soundDirTitle = FileTitleOf(setup.soundDir);
    std::string folder;
    std::vector<std::string> names;
    if (!FindSoundFolder(setup, &folder, &names)) {
        return Fail("Could not find the sound folder \"" + setup.soundDir + "\" that " + setupPath +
                    " names, nor one of its name beside it.");
    }

    ExportPlan plan;
    const PlanOutcome planned = PlanExport(setup, static_cast<int>(names.size()), &plan);
    if (planned != PlanOutcome::Planned) return Fail(PlanFailureMessage(planned));
    const ExportResult result = ExportWav(plan, SoundPaths(folder, names), outPath, nullptr, shape);
    if (result.status != ExportResult::Written) return Fail(result.message);
    WriteStandardLine(false, ExportClosingMessage(result.frames, outPath, result.clipped, ShownIn::Stream, shape));
    return 0;
}
