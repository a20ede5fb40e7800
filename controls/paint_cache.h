// GDI objects that repaints would otherwise make and delete again every
// time: the skin's pictures already tinted in a pair of colours, and solid
// brushes. They belong to the cache, are made on first use and kept until
// Clear, which the panels call when the colour scheme changes (the pictures
// and brushes of the old colours are no longer drawn). Interface thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace PaintCache {

struct TintedPicture {
    HDC dc;  // holds the tinted copy; copy from it with BitBlt (SRCCOPY)
    int width, height;
};

// The picture of the monochrome bitmap resource `name` of `module` (whose
// loaded bitmap is `mono`) with its black pixels in `ink` and its white ones
// in `paper`; made on first use. Null dc when it cannot be made.
TintedPicture Tinted(HINSTANCE module, const std::string& name, HBITMAP mono, COLORREF ink, COLORREF paper);

// A picture of width x height that `render` draws once per key and pair of
// colours, into a DC whose text colour is ink and background colour paper;
// the key names everything else the picture depends on.
TintedPicture Rendered(const std::string& key, COLORREF ink, COLORREF paper, int width, int height,
                       const std::function<void(HDC)>& render);

// A solid brush of the colour, owned by the cache.
HBRUSH SolidBrush(COLORREF colour);

// Deletes every tinted picture and brush; later uses make them anew.
void Clear();

}  // namespace PaintCache
