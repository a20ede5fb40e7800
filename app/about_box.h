// The About box: the about picture and a link to the program's read-me page.
// It holds the mouse: a click on the link opens it, a click anywhere else
// closes the box.
#pragma once
#include <windows.h>

#include <string>

#include "ui/dialog.h"
#include "controls/hyperlink.h"

class AboutBox : public Dialog {
public:
    explicit AboutBox(HWND owner);
    ~AboutBox() override;
    // The read-me page that the Windows package puts beside the program.
    static std::string ReadMeAddress();
    MLink& Link() { return link_; }

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool PreTranslateMessage(MSG* msg) override;

private:
    bool OverLink(POINT screenPoint) const;
    // The picture enlarged by the zoom, the box and the link with it.
    void FitToZoom();

    MLink link_;
    HCURSOR handCursor_ = nullptr;
    HCURSOR defaultCursor_ = nullptr;
    HBITMAP picture_ = nullptr;  // the enlarged picture, when zoomed
    HFONT linkFont_ = nullptr;   // the link's font, when scaled
};
