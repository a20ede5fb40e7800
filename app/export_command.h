// Exporting the arrangement to a WAV file: the menu commands, which ask for
// the file and render beside the running window, and the command line
// "/export SETUP-FILE OUT.wav [/loop]", which renders without a window.
#pragma once

#include <string>
#include <vector>

#include "files/wav_export.h"

class MainWindow;

// "Export WAV..." and "Export Loop WAV...": asks where to, renders the cycle
// in `shape` off the interface thread, shows its progress when it takes
// longer than half a second (Escape or the Cancel button stops it) and
// reports the result in a notice. Playback goes on meanwhile, and other
// copies still start and stop it; files dropped on the window, commands and
// a close are handled after the notice.
void ExportWavFromMenu(MainWindow& window, ExportShape shape);

// The file proposed for the export of the setup file at `setupPath`: its
// name with the extension .wav ("Untitled.wav" for an untitled Setup); a
// loop's name ends in " loop.wav", so it does not replace the whole piece's.
std::string ProposedExportPath(const std::string& setupPath, ExportShape shape = ExportShape::CycleWithTails);

// Stand-in for the save dialog, for tests that cannot click it.
using ExportFileChooser = bool (*)(const std::string& proposed, std::string* chosen);
void SetExportFileChooser(ExportFileChooser chooser);

// Whether a command-line argument asks for an export ("/export", any case).
bool IsExportSwitch(const std::string& argument);

// The command line's export, given the arguments after the switch (the setup
// file and the WAV file, and "/loop" for the loop): reads the setup file,
// finds its sound folder without asking, renders and writes. The closing line goes to standard
// output, a failure to standard error. Returns the process's exit code: 0
// when the file was written, 1 when it was not, 2 for a wrong command line.
int RunCommandLineExport(const std::vector<std::string>& arguments);
