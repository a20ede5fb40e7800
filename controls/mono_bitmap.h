// A monochrome bitmap resource drawn in two colours: its black pixels in one,
// its white pixels in the other. One set of skin bitmaps so serves every
// colour scheme.
#pragma once

#include <windows.h>

#include <string>

class MonoBitmap {
public:
    // Holds the bitmap between paints only on Windows NT; elsewhere the small
    // GDI heap gets it back after every use.
    MonoBitmap();
    explicit MonoBitmap(bool keepLoaded);
    ~MonoBitmap();
    MonoBitmap(const MonoBitmap&) = delete;
    MonoBitmap& operator=(const MonoBitmap&) = delete;

    // Stores the resource name and, when kept loaded, loads it now. A missing
    // resource is replaced by a 1 x 1 monochrome placeholder.
    void Load(const std::string& name);
    SIZE GetSize();
    // Black pixels in colourForBlack, white ones in colourForWhite, at (x, y).
    void Draw(HDC dc, COLORREF colourForBlack, COLORREF colourForWhite, int x, int y);

    const std::string& Name() const { return name_; }
    bool KeepLoaded() const { return keepLoaded_; }

private:
    HBITMAP LoadFromResources() const;
    // The bitmap for one use: the held one, or a fresh load.
    HBITMAP Acquire() const;
    void ReleaseAfterUse(HBITMAP bitmap) const;

    std::string name_;
    HINSTANCE module_ = nullptr;  // where the held bitmap came from
    HBITMAP bitmap_ = nullptr;
    bool ownsBitmap_ = false;  // the placeholder; loaded pictures are shared
    bool keepLoaded_;
};
