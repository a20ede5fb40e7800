// One real main window per test program, created in-process under Wine,
// with real messages sent at the pixel positions of the layout. Controls live
// as long as the process, so every test of a program shares the window.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/main_window.h"
#include "ui/notice.h"
#include "controls/key_state.h"
#include "editing/control_ids.h"
#include "panels/main_panel.h"

namespace {

std::vector<std::string> notes;
void CollectNote(const char* text) { notes.push_back(text); }

SHORT keysDown[256];
SHORT FakeKeys(int key) { return keysDown[key & 0xFF]; }

class WindowFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        SetNoteSink(CollectNote);
        SetKeyStateQuery(FakeKeys);
        window = new MainWindow;
        ASSERT_TRUE(window->CreateModeless(nullptr));
        Pump();
    }
    // As the program ends: the window and its sound engine are gone before
    // the process exits. Under Wine a process that exits with DirectSound's
    // threads still running now and then dies in that exit.
    static void TearDownTestSuite() {
        Pump();
        delete window;
        window = nullptr;
    }
    void SetUp() override {
        for (SHORT& k : keysDown) k = 0;
        if (window->GetSequencer().IsRunning()) window->GetSequencer().StopPlayback();
        panel().SetColumnCount(16);
        window->Controller().ShowMeasure(0);
        Pump();
        setup().modified = 0;
    }

    // Whether the step has a loaded sound to play, through whichever output plays.
    static bool StepSounds(int measure, int step) {
        return window->Sound().HasMaster(window->GetSetup().StepAddress(measure, step).sound);
    }

    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!window->PreTranslateMessage(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
    }
    static HWND hwnd() { return window->Handle(); }
    static MainPanel& panel() { return *window->Panel(); }
    static ::Setup& setup() { return window->GetSetup(); }

    static void Mouse(UINT message, int x, int y, HWND target = nullptr) {
        const WPARAM keys = message == WM_LBUTTONDOWN || message == WM_MOUSEMOVE ? MK_LBUTTON : 0;
        SendMessageA(target ? target : hwnd(), message, keys, MAKELPARAM(x, y));
    }
    static void Click(int x, int y, HWND target = nullptr) {
        Mouse(WM_LBUTTONDOWN, x, y, target);
        Mouse(WM_LBUTTONUP, x, y, target);
        Pump();
    }
    static void Key(WPARAM key) {
        MSG msg = {hwnd(), WM_KEYDOWN, key, 0, 0, {0, 0}};
        if (!window->PreTranslateMessage(&msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Pump();
    }
    // Top-left corner of step column k (1..16).
    static int ColumnX(int k) { return 94 + 38 * (k - 1); }
    static SIZE ClientSize() {
        RECT r;
        GetClientRect(hwnd(), &r);
        return {r.right, r.bottom};
    }
    static void TypeInto(HWND field, const std::string& text) {
        SetFocus(field);
        SendMessageA(field, EM_SETSEL, 0, -1);
        for (char c : text) SendMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 0);
        Pump();
    }

    static MainWindow* window;
};
MainWindow* WindowFixture::window = nullptr;

}  // namespace
