// The words and command lines of the hyperlink control, kept apart from the
// window code so they can be checked anywhere.
#pragma once

#include <string>

// "Unable to open hyperlink:\n\n" and the text for a shell result code.
std::string HyperlinkErrorMessage(int code);

// The command line that opens `address` with the command registered for a
// document type: cut at the quoted placeholder "%1" (or at a bare %1), then
// a blank and the address.
std::string CommandLineForAddress(const std::string& registeredCommand, const std::string& address);
