// Text for whoever started the program from a console or a script. A
// program of the GUI subsystem gets no console of its own: it writes to the
// standard handles it inherited (a pipe, a file, or a Unix descriptor under
// Wine) or, when it has none, to the console of the process that started it.
#pragma once

#include <string>

// Writes one line to standard output, or to standard error when `error` is
// set. Whatever reads the stream may take it in any code page, so the text
// is ASCII but for the paths in it, which are in the ANSI code page as the
// file functions gave them: a console is handed them as characters, a
// redirected stream as those bytes.
void WriteStandardLine(bool error, const std::string& text);
