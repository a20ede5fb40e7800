// The program's notice box: every message the program shows to the user goes
// through ShowNote (or one of the two question dialogs).
#pragma once

// MessageBoxA with no owner window, caption "NOTE!" and an OK button.
void ShowNote(const char* text);

// Where notices go instead of the message box, for tests that must not block
// on a modal box. Returns the previous sink; nullptr restores the box.
using NoteSink = void (*)(const char* text);
NoteSink SetNoteSink(NoteSink sink);
