// Where the controls load their bitmaps and cursors from.
#pragma once

#include <windows.h>

// The program's own module unless set otherwise.
HINSTANCE ResourceModule();
void SetResourceModule(HINSTANCE module);

// The named cursor of the resource module. LoadCursorA hands out one shared
// handle per name anyway; each name is looked up once and then remembered,
// since hundreds of controls ask for the same few.
HCURSOR ResourceCursor(const char* name);
// What to show for a cursor of ResourceCursor at the current zoom: itself at
// 1x, else a copy made once with every pixel repeated (the hot spot too).
HCURSOR ZoomedCursor(HCURSOR cursor);

// The named bitmap of the resource module, loaded once and shared by every
// picture of that name until the process ends (nobody draws into them); null
// when the resource does not exist.
HBITMAP SharedResourceBitmap(const char* name);
