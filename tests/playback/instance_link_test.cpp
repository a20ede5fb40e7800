// Finding running copies by their caption, with real top-level windows.
#include "playback/instance_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

const UINT kProbeMessage = WM_USER + 77;
std::vector<HWND> received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kProbeMessage) received.push_back(window);
    return DefWindowProcA(window, message, wParam, lParam);
}

class InstanceLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        received.clear();
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = RecordingProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "InstanceLinkTest";
        RegisterClassA(&windowClass);
    }
    void TearDown() override {
        for (HWND w : windows_) DestroyWindow(w);
    }
    HWND Make(const std::string& caption) {
        HWND w = CreateWindowA("InstanceLinkTest", caption.c_str(), WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr), nullptr);
        windows_.push_back(w);
        return w;
    }
    static void Pump() {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
    std::vector<HWND> windows_;
};

TEST(InstanceCaption, MatchesTheElevenBytesOnly) {
    EXPECT_TRUE(HasInstanceCaptionPrefix(" -  +  \xF7  x"));
    EXPECT_TRUE(HasInstanceCaptionPrefix(" -  +  \xF7  x :   song.^&^ using: kit"));
    EXPECT_FALSE(HasInstanceCaptionPrefix(" -  +  /  x"));
    EXPECT_FALSE(HasInstanceCaptionPrefix(" -  +  \xF7 "));
    EXPECT_FALSE(HasInstanceCaptionPrefix(""));
    EXPECT_FALSE(HasInstanceCaptionPrefix(nullptr));
}

TEST_F(InstanceLinkTest, PostsToEveryWindowWithThePrefixAndCountsThem) {
    HWND first = Make(" -  +  \xF7  x");
    HWND second = Make(" -  +  \xF7  x :   Untitled using: ");
    Make("Some other program");
    HWND foreign = Make(" -  +  \xF7  xylophone");  // not ours, but it matches
    EXPECT_EQ(BroadcastToInstances(first, kProbeMessage, 0, 0), 3);
    Pump();
    EXPECT_EQ(received.size(), 3u);
    for (HWND w : {first, second, foreign}) EXPECT_NE(std::find(received.begin(), received.end(), w), received.end());
}

TEST_F(InstanceLinkTest, AWindowBeyondTheFirstHundredIsNotReached) {
    HWND deep = Make(" -  +  \xF7  x");
    for (int i = 0; i < 110; ++i) Make("filler " + std::to_string(i));  // each new window goes above
    SetWindowPos(deep, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(BroadcastToInstances(deep, kProbeMessage, 0, 0), 0);
    SetWindowPos(deep, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    EXPECT_EQ(BroadcastToInstances(deep, kProbeMessage, 0, 0), 1);
}

}  // namespace
