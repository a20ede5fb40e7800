// Where the controls load their bitmaps and cursors from.
#pragma once

#include <windows.h>

// The program's own module unless set otherwise.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);
