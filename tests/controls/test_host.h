// A real top-level window that hosts controls the way the program's windows
// do, a memory canvas to paint them into, and the key-state stand-in.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "controls/control_host.h"

// The host's erased background, so that unpainted pixels are recognisable.
constexpr COLORREF kHostBackground = RGB(0x11, 0x22, 0x33);

class TestHost : public ControlHost {
public:
    struct Event {
        int event, x, y, id;
    };

    // Hosts of one test process share one window: under Wine without a window
    // manager, hiding or destroying a top-level window costs two seconds.
    // A new host takes the window over; its controls differ by host.
    TestHost();
    ~TestHost() override;

    HWND HostWindow() const override { return window_; }
    // The host contract: the cursor, then dispatch when no id came with the
    // event; every call is recorded with the id it ended with.
    void OnControlEvent(int event, int x, int y, int id) override;

    // Destroys the fields and lets go of the window; the object itself stays,
    // as the controls that point at it stay registered.
    void Close();
    // Paints what is invalid now.
    void Update() { UpdateWindow(window_); }
    // Validates everything, so that the next invalidation can be measured.
    void Validate() { ValidateRect(window_, nullptr); }
    RECT UpdateRect() const;
    COLORREF WindowPixel(int x, int y) const;
    // A mouse message through the window procedure, as the system sends it.
    void Mouse(UINT message, int x, int y);

    std::vector<Event> events;
    int lastCursorId = 0;
    // What a panel does with a dispatched id.
    std::function<void(int event, int id)> onControl;

private:
    static LRESULT CALLBACK WindowProc(HWND, UINT, WPARAM, LPARAM);
    HWND window_ = nullptr;
};

// A host of controls that never receive window messages.
class DetachedHost : public ControlHost {
public:
    HWND HostWindow() const override;
    void OnControlEvent(int, int, int, int) override {}
};

// A 32-bit memory bitmap the size of the host, filled with kCanvasFill.
constexpr COLORREF kCanvasFill = RGB(0xFE, 0x01, 0xFE);

class Canvas {
public:
    Canvas(int width = 240, int height = 180);
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    // ControlRegistry::PaintControls for that host into the canvas.
    void Paint(const ControlHost* host);
    COLORREF Pixel(int x, int y) const;
    // Fills everything that painting left in the clip region.
    void FillClip(COLORREF colour);

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    unsigned* bits_ = nullptr;
};

// Key state for AsyncKeyState: Ctrl held or not, and how many polls the left
// button still reads as down.
struct FakeKeys {
    static bool ctrl;
    static int leftButtonDownPolls;
    static int leftButtonPolls;  // polls seen
    static void Install();
    static void Remove();
};

// Typed into a field as the keyboard does: focus, select all, characters.
void TypeInto(HWND field, const std::string& text);

// Controls live as long as the program: the registry never lets go of them.
template <class T>
T* Make() {
    return new T();
}
