// The registry duties: the setup file association, written at every start so
// it names the executable that ran last, and the preferences: the
// high-resolution clock switch and the zoom. Failures are silent: the
// association is then absent, the switch falls back to on and the zoom to
// Automatic.
#pragma once

#include <string>

// Keys and values are written under HKEY_CLASSES_ROOT and, the same, under
// HKEY_CURRENT_USER\Software\Classes, which Windows merges into
// HKEY_CLASSES_ROOT: without administrator rights only the second can be
// written, and Wine does not merge, so only the first serves there.
void RegWriteString(const std::string& keyPath, const std::string& valueName, const std::string& text);
// HKEY_CLASSES_ROOT first, then the per-user classes; empty when neither holds it.
std::string RegReadString(const std::string& keyPath, const std::string& valueName);

void RegisterFileAssociation();

// The "Use High-Res Timer" switch as stored: anything but exactly "off" is on.
bool LoadHighResTimerPreference();
void SaveHighResTimerPreference(bool on);

// The "Sample-Accurate Timing" switch as stored beside it: on unless exactly "off".
bool LoadSampleAccuratePreference();
void SaveSampleAccuratePreference(bool on);

// The Zoom choice as stored: "1", "2" or "3" give that factor; "auto", and
// anything else or nothing, give 0, Automatic.
int LoadZoomPreference();
void SaveZoomPreference(int choice);

constexpr char kPreferencesKey[] = "Stepforge\\data\\8";
constexpr char kHighResTimerValue[] = "highResTimer";
constexpr char kSampleAccurateValue[] = "sampleAccurate";
constexpr char kZoomValue[] = "zoom";
