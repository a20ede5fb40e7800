// Every skin image by resource name, at its own size, with its name and size
// under it; names that the program's resources lack are listed as missing.
#pragma once

#include "tools/gallery/gallery_host.h"

// Lays the sheet out from (x, y) within `width`; draws it when picture is
// not null. Returns the height it takes.
int DrawSkinSheet(Picture* picture, int x, int y, int width);
