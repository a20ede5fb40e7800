// A static text control of a dialog taken over as a hyperlink: drawn in link
// colours on the dialog's background, it opens its address through the shell
// (or the command registered for ".htm" files) and reports failures in words.
#pragma once
#include <windows.h>

#include <string>

class MLink {
public:
    MLink() = default;
    ~MLink();
    MLink(const MLink&) = delete;
    MLink& operator=(const MLink&) = delete;

    // Takes over the static control (before it is first shown).
    bool Attach(HWND control);
    void SetURL(const std::string& url) { url_ = url; }
    const std::string& URL() const { return url_; }
    void SetUnderline(int mode);
    void SetVisited(bool visited);
    bool Visited() const { return visited_; }
    // Opens the address; on failure beeps and shows why.
    void Activate();
    HWND Handle() const { return window_; }

    // The dialog hands the control's WM_CTLCOLORSTATIC here: link colours on
    // a transparent background.
    HBRUSH OnCtlColor(HDC dc);

    // The shell's result (above 32 on success).
    static INT_PTR OpenUrl(const std::string& address, int showCommand);
    static void ReportOpenError(INT_PTR code);
    // Where the failure message goes instead of the message box, for tests.
    using ErrorSink = void (*)(const std::string& message);
    static void SetErrorSink(ErrorSink sink);

    COLORREF linkColour = RGB(0, 0, 238);
    COLORREF visitedColour = RGB(85, 26, 139);
    COLORREF hoverColour = RGB(255, 0, 0);

private:
    static LRESULT CALLBACK ControlProc(HWND, UINT, WPARAM, LPARAM);

    bool hovering_ = false;
    bool visited_ = false;
    int underlineMode_ = -1;
    std::string url_;
    HFONT underlineFont_ = nullptr;
    HFONT normalFont_ = nullptr;
    HWND window_ = nullptr;
    WNDPROC controlProc_ = nullptr;
};
