// The base of every lightweight control: a plain object with a rectangle in
// its host window (in layout pixels, which the zoom enlarges), colours and a
// caption, that paints itself into the host's device context. Controls are created once and live as long as the program;
// the control registry keeps a pointer to each of them.
#pragma once

#include <windows.h>

#include <string>

class ControlHost;

class MWnd {
public:
    MWnd();
    virtual ~MWnd();
    MWnd(const MWnd&) = delete;
    MWnd& operator=(const MWnd&) = delete;

    // Registers the control, gives it the system colours and shows it.
    virtual void Create(int id, const std::string& text, int x, int y, int width, int height,
                        ControlHost* parent);
    // The same with the rectangle given by its edges.
    virtual void Create(int id, const std::string& text, const RECT& edges, ControlHost* parent);
    // Stores both colours; repaints when visible.
    virtual void SetColors(COLORREF foreground, COLORREF background);
    // Paints into dc, then removes its rectangle from dc's clipping region.
    virtual void Draw(HDC dc);
    // While redraw is enabled: visible and its rectangle invalidated.
    virtual void Show();
    virtual void Hide();
    virtual void SetRedraw(bool enabled);

    int Id() const { return id_; }
    const std::string& Text() const { return text_; }
    const std::string& ClassName() const { return className_; }
    ControlHost* Parent() const { return parent_; }
    RECT Rect() const { return rect_; }
    COLORREF Foreground() const { return foreground_; }
    COLORREF Background() const { return background_; }
    bool IsVisible() const { return visible_; }
    bool RedrawEnabled() const { return redrawEnabled_; }

    void SetForeground(COLORREF colour);
    void SetBackground(COLORREF colour);

    // Draws at once through a DC of the host window, then invalidates the
    // rectangle too (used while the mouse holds a button); enlarged, the host
    // repaints it instead.
    void RepaintNow();
    // While visible and redraw is enabled, has the host repaint the control's
    // rectangle, at once where the host can (ControlHost::RepaintRect).
    void Refresh();

protected:
    HWND ParentWindow() const;
    bool Contains(int x, int y) const;

    bool visible_ = false;
    RECT rect_ = {0, 0, 0, 0};
    std::string text_;
    COLORREF foreground_ = 0;
    COLORREF background_ = 0;
    bool redrawEnabled_ = false;
    int id_ = 0;
    ControlHost* parent_ = nullptr;
    // "MWnd" marks a control that takes no mouse input.
    std::string className_ = "MWnd";

private:
    void CreateWithRect(int id, const std::string& text, const RECT& rect, ControlHost* parent);
};
