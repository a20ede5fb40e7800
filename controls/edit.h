// A text field: a real child window of the "EDIT" class, coloured to blend
// into the skin. Its host reflects the field's WM_CTLCOLOREDIT and its
// WM_COMMAND notifications back to it with ReflectFieldMessage.
#pragma once

#include <windows.h>

#include <string>

class ControlHost;

class MEdit {
public:
    MEdit();
    virtual ~MEdit();
    MEdit(const MEdit&) = delete;
    MEdit& operator=(const MEdit&) = delete;

    // A textColour or backColour of 0 stands for the system's default (so
    // black cannot be chosen here). alignment "right" or "center"; any other
    // text aligns left. A field without width or height gets no window: it
    // could never be seen, clicked or tabbed to, and only holds its text.
    void Create(int id, ControlHost* parent, COLORREF textColour, COLORREF backColour, int x, int y, int width,
                int height, const std::string& alignment);
    // The brush is remade unless it is a shared one.
    void SetColors(COLORREF textColour, COLORREF backColour);
    // An own font; "Arial" for an empty name, 9 points for a size of 0.
    void SetFont(const std::string& faceName, int tenthsOfPoint);
    // A font shared among fields; the field never deletes it.
    void SetFontObject(HFONT font);
    // Places the window over its rectangle at the current zoom and makes its
    // own font anew for it (a shared font is its owner's to replace).
    void ApplyZoom();
    // A brush shared among fields; the field never deletes it.
    void SetBrush(HBRUSH brush);
    // Text set here never counts as typed.
    void SetText(const std::string& text);
    std::string GetText() const;
    // The rectangle given at creation, in layout pixels (the window covers it
    // enlarged by the zoom), whatever happened to the window since.
    RECT GetRect() const { return rect_; }

    // Null for a field without width or height.
    HWND Handle() const { return window_; }
    int Id() const { return id_; }
    ControlHost* Parent() const { return parent_; }
    COLORREF TextColour() const { return textColour_; }
    COLORREF BackColour() const { return backColour_; }
    HBRUSH Brush() const { return brush_; }
    HCURSOR Cursor() const { return cursor_; }

    // The reflected notifications.
    virtual HBRUSH OnCtlColor(HDC dc);
    virtual void OnSetFocus();
    virtual void OnKillFocus();
    virtual void OnChange();

    // The field whose window this is, or null.
    static MEdit* FromHandle(HWND window);

protected:
    // Messages of the field's own window; Default is the EDIT class's handling.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    void DropSelection();

    COLORREF textColour_ = 0;
    COLORREF backColour_ = 0;
    RECT rect_ = {0, 0, 0, 0};
    int id_ = 0;
    ControlHost* parent_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH brush_ = nullptr;
    HCURSOR cursor_ = nullptr;
    bool brushIsForeign_ = false;
    bool fontIsForeign_ = false;
    HFONT foreignFont_ = nullptr;  // the shared font last handed to the field
    std::string faceName_;          // of the own font, made anew at another zoom
    int tenthsOfPoint_ = 0;

private:
    static LRESULT CALLBACK FieldProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::string windowlessText_;  // the text of a field without a window
    WNDPROC editProc_ = nullptr;
};

// ApplyZoom for every field among the host window's children.
void ApplyZoomToFields(HWND host);

// Called first by a host's window procedure: hands WM_CTLCOLOREDIT,
// WM_CTLCOLORSTATIC and the EN_ notifications of WM_COMMAND to the field they
// concern. True when the field took the message; *result is then what the
// host's window procedure returns. A field without a brush yet is left to the
// host's default colours.
bool ReflectFieldMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
