#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/setup.h"

// What a setup file holds for the main window and its panel rather than for
// the Setup: the window position and the colour scheme.
struct SetupFileWindowState {
  int32_t left = 0;  // screen pixels
  int32_t top = 0;
  uint32_t schemeColor = 0;  // COLORREF the scheme is derived from
  // Files older than 2.0 also store the scheme's highlightText colour.
  bool hasHighlightText = false;
  uint32_t highlightTextColor = 0;
};

// The version this program writes; older ones are read as well.
constexpr float kSetupFileVersion = 9001.0f;

// The complete current-version file for this Setup and window state.
std::vector<uint8_t> EncodeSetupFile(const Setup& setup, const SetupFileWindowState& window);

// Sets filePath to `path`, then replaces the file as a whole (the old file
// survives any failure). `modified` is left for the caller to clear.
bool WriteSetupFile(Setup& setup, const std::string& path, const SetupFileWindowState& window);

// Read a setup file of any known version. On success the persisted fields,
// fileVersion (and for ReadSetupFile filePath) are replaced and *window (if
// given) receives the window state. On failure nothing at all changes.
// Neither touches `modified`, soundDirTitle or the voice bindings.
bool ReadSetupFile(Setup& setup, const std::string& path, SetupFileWindowState* window);
bool ParseSetupFile(Setup& setup, const uint8_t* data, size_t size, SetupFileWindowState* window);
