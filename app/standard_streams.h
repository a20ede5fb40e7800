// Text for whoever started the program from a console or a script. A
// program of the GUI subsystem gets no console of its own: it writes to the
// standard handles it inherited (a pipe, a file, or a Unix descriptor under
// Wine) or, when it has none, to the console of the process that started it.
#pragma once

#include <string>

// Writes one line (Windows-1252 text) to standard output, or to standard
// error when `error` is set.
void WriteStandardLine(bool error, const std::string& text);
