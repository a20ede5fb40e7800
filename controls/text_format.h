// Numbers to text and back, for the text fields of the dials.
#pragma once

#include <string>

std::string FormatInt(int n);                 // "%d"
int ParseInt(const std::string& text);        // leading integer, 0 when none
std::string FormatReal(float x);              // "%.3f", or "%.0f" for whole values
float ParseReal(const std::string& text);     // leading real, 0 when none

// double to float; beyond the float range gives an infinity, as the hardware
// narrowing does.
float NarrowToFloat(double d);
