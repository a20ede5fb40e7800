// The About box and its link in this process under Wine. The link is tried on
// a small window of its own and opens real programs: a recorder started by the
// shell, or by a ".htm" association the test puts in place (and takes back).
// The box is shown by the system menu command of the real main window and
// driven by a timer of this thread while its own modal loop runs.
#include <functional>
#include <fstream>
#include <sstream>

#include "app/about_box.h"
#include "controls/gdi_helpers.h"
#include "controls/hyperlink.h"
#include "resources/resource.h"
#include "tests/app/window_fixture.h"

namespace {

const COLORREF kLinkColour = RGB(0, 0, 238);
const COLORREF kVisitedColour = RGB(85, 26, 139);

std::vector<std::string> linkErrors;
void CollectLinkError(const std::string& text) { linkErrors.push_back(text); }

std::string TempFolder() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

std::string Unique(const std::string& stem) {
    static int counter = 0;
    return stem + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount()) + "-" +
           std::to_string(++counter);
}

// The recorder is built beside this test program.
std::string RecorderPath() {
    char module[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string path = module;
    return path.substr(0, path.find_last_of('\\') + 1) + "record_args.exe";
}

// The command line the recorder is started with, from a file of its own.
class Recording {
public:
    Recording() : path_(TempFolder() + Unique("stepforge-args-") + ".txt") {
        SetEnvironmentVariableA("STEPFORGE_RECORD_ARGS", path_.c_str());
    }
    ~Recording() {
        DeleteFileA(path_.c_str());
        SetEnvironmentVariableA("STEPFORGE_RECORD_ARGS", nullptr);
    }
    // What the recorder wrote; empty when it was not started within the time.
    std::string Wait() const {
        for (int waited = 0; waited < 30000; waited += 50) {
            std::ifstream in(path_, std::ios::binary);
            if (in) {
                std::ostringstream text;
                text << in.rdbuf();
                return text.str();
            }
            Sleep(50);
        }
        return {};
    }

private:
    std::string path_;
};

bool ReadDefault(const std::string& key, std::string* value) {
    HKEY handle;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_QUERY_VALUE, &handle) != ERROR_SUCCESS) return false;
    char buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer, type = 0;
    const bool ok = RegQueryValueExA(handle, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) ==
                    ERROR_SUCCESS;
    RegCloseKey(handle);
    if (ok) *value = buffer;
    return ok;
}

void WriteDefault(const std::string& key, const std::string& value) {
    RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
}

// Points ".htm" at a document type of the test's own (with `command` as its
// open command, or none when empty) while it lives; the prefix is shared with
// other tests, so what was there before is put back.
class HtmAssociation {
public:
    HtmAssociation(const std::string& type, const std::string& command) : type_(type) {
        HKEY existing;
        keyExisted_ = RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_QUERY_VALUE, &existing) == ERROR_SUCCESS;
        if (keyExisted_) RegCloseKey(existing);
        hadDefault_ = ReadDefault(".htm", &previous_);
        WriteDefault(".htm", type_);
        if (!command.empty()) WriteDefault(type_ + "\\shell\\open\\command", command);
    }
    ~HtmAssociation() {
        if (hadDefault_) {
            WriteDefault(".htm", previous_);
        } else if (!keyExisted_) {
            RegDeleteKeyA(HKEY_CLASSES_ROOT, ".htm");
        } else {
            HKEY key;
            if (RegOpenKeyExA(HKEY_CLASSES_ROOT, ".htm", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, nullptr);
                RegCloseKey(key);
            }
        }
        for (const char* tail : {"\\shell\\open\\command", "\\shell\\open", "\\shell", ""})
            RegDeleteKeyA(HKEY_CLASSES_ROOT, (type_ + tail).c_str());
    }

private:
    std::string type_;
    std::string previous_;
    bool keyExisted_ = false;
    bool hadDefault_ = false;
};

// The text colour a parent's WM_CTLCOLORSTATIC gives the link, checking the
// rest of the answer: a transparent background and the hollow brush.
COLORREF CtlColourText(HWND parent, HWND control) {
    HDC dc = CreateCompatibleDC(nullptr);
    const auto brush = reinterpret_cast<HBRUSH>(
        SendMessageA(parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(control)));
    EXPECT_EQ(brush, GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(dc), TRANSPARENT);
    const COLORREF colour = GetTextColor(dc);
    DeleteDC(dc);
    return colour;
}

// How many pixels of the control, painted on white, have exactly `colour`.
int PaintedPixels(HWND control, COLORREF colour) {
    RECT client;
    GetClientRect(control, &client);
    ColourBitmap picture;
    if (!CreateColourBitmap(client.right, client.bottom, &picture)) return -1;
    HDC dc = picture.dc;
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SendMessageA(control, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    GdiFlush();
    const DWORD wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    int count = 0;
    const auto* pixels = static_cast<const DWORD*>(picture.bits);
    for (int i = 0; i < client.right * client.bottom; ++i) count += (pixels[i] & 0xFFFFFF) == wanted;
    DeleteColourBitmap(picture);
    return count;
}

// ----- the link on a window of its own ------------------------------------

MLink* hostedLink = nullptr;

LRESULT CALLBACK LinkHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CTLCOLORSTATIC && hostedLink && reinterpret_cast<HWND>(lParam) == hostedLink->Handle())
        return reinterpret_cast<LRESULT>(hostedLink->OnCtlColor(reinterpret_cast<HDC>(wParam)));
    return DefWindowProcA(window, message, wParam, lParam);
}

class LinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        linkErrors.clear();
        MLink::SetErrorSink(CollectLinkError);
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = LinkHostProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = "StepforgeLinkHost";
        RegisterClassA(&windowClass);
        host_ = CreateWindowA("StepforgeLinkHost", "link host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 320, 120,
                              nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        label_ = CreateWindowA("STATIC", "Stepforge read-me", WS_CHILD | WS_VISIBLE | SS_LEFT, 10, 10, 200, 20, host_,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
        hostedLink = &link_;
    }
    void TearDown() override {
        hostedLink = nullptr;
        DestroyWindow(host_);
    }
    COLORREF TextColour() { return CtlColourText(host_, label_); }

    HWND host_ = nullptr;
    HWND label_ = nullptr;
    MLink link_;
};

TEST_F(LinkTest, ASuccessfulActivationTurnsTheTextToTheVisitedColour) {
    ASSERT_TRUE(link_.Attach(label_));
    EXPECT_EQ(link_.URL(), "Stepforge read-me") << "no address given: the text is the address";
    EXPECT_TRUE(GetWindowLongA(label_, GWL_STYLE) & SS_NOTIFY);
    EXPECT_EQ(TextColour(), kLinkColour);
    EXPECT_GT(PaintedPixels(label_, kLinkColour), 0);

    link_.SetURL(RecorderPath());  // the shell starts a program as its "page"
    Recording recording;
    link_.Activate();
    EXPECT_NE(recording.Wait().find("record_args"), std::string::npos) << "the shell started the address";
    EXPECT_TRUE(link_.Visited());
    EXPECT_TRUE(linkErrors.empty()) << linkErrors.front();
    EXPECT_EQ(TextColour(), kVisitedColour);
    EXPECT_GT(PaintedPixels(label_, kVisitedColour), 0);
    EXPECT_EQ(PaintedPixels(label_, kLinkColour), 0);
}

TEST_F(LinkTest, TheHtmCommandGetsTheAddressWhereTheQuotedPlaceholderBegan) {
    const std::string program = "\"" + RecorderPath() + "\" --page ";
    HtmAssociation htm(Unique("StepforgeTest.Page"), program + "\"%1\" --rest");
    // No such file: the shell fails, and the ".htm" command takes over.
    const std::string address = TempFolder() + Unique("stepforge-absent-") + "\\page.htm";
    Recording recording;
    EXPECT_GT(MLink::OpenUrl(address, SW_SHOW), 32);
    EXPECT_EQ(recording.Wait(), program + " " + address);
}

TEST_F(LinkTest, ShellFailuresWithoutAnHtmCommandAreReportedInWords) {
    HtmAssociation htm(Unique("StepforgeTest.NoCommand"), "");
    // A file that exists, with an extension nothing is associated with.
    const std::string file = TempFolder() + Unique("stepforge-link-") + ".sfnoassoc";
    std::ofstream(file) << "x";
    EXPECT_EQ(MLink::OpenUrl(file, SW_SHOW), 31);

    link_.SetURL(file);
    ASSERT_TRUE(link_.Attach(label_));
    link_.SetVisited(true);  // an earlier activation succeeded
    link_.Activate();
    DeleteFileA(file.c_str());
    EXPECT_FALSE(link_.Visited()) << "visited follows the last activation";
    EXPECT_EQ(TextColour(), kLinkColour);
    ASSERT_EQ(linkErrors.size(), 1u);
    EXPECT_EQ(linkErrors[0],
              "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    MLink::ReportOpenError(1234);
    EXPECT_EQ(linkErrors.back(), "Unable to open hyperlink:\n\nUnknown Error (1234) occurred.");
}

// ----- the About box on the real main window -------------------------------

// One step per timer tick once the box is up, so that a step finds the box
// still open only if the steps before did not end it.
struct BoxDriver {
    std::vector<std::function<void(HWND box)>> steps;
    size_t next = 0;
    int ticksOpen = 0;
    HWND box = nullptr;
    HWND owner = nullptr;
};
BoxDriver* driver = nullptr;

BOOL CALLBACK FindBox(HWND window, LPARAM) {
    if (GetWindow(window, GW_OWNER) == driver->owner && GetDlgItem(window, 1001)) {
        driver->box = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK DriveBox(HWND, UINT, UINT_PTR, DWORD) {
    if (!driver->box) EnumThreadWindows(GetCurrentThreadId(), FindBox, 0);
    if (!driver->box) return;
    if (driver->next < driver->steps.size()) {
        driver->steps[driver->next++](driver->box);
    } else if (++driver->ticksOpen == 40) {
        // Never left waiting: WM_QUIT ends any modal loop of this thread.
        ADD_FAILURE() << "the box is still open after its last step";
        PostQuitMessage(0);
    }
}

class AboutBoxTest : public WindowFixture {
protected:
    void SetUp() override {
        WindowFixture::SetUp();
        linkErrors.clear();
        MLink::SetErrorSink(CollectLinkError);
    }
    // Sends the system menu command and runs the steps while the box is up;
    // returns the box's (by then destroyed) window.
    static HWND RunAbout(WPARAM command, std::vector<std::function<void(HWND)>> steps) {
        BoxDriver run;
        run.steps = std::move(steps);
        run.owner = hwnd();
        driver = &run;
        const UINT_PTR timer = SetTimer(nullptr, 0, 50, DriveBox);
        SendMessageA(hwnd(), WM_SYSCOMMAND, command, 0);
        KillTimer(nullptr, timer);
        driver = nullptr;
        EXPECT_EQ(run.next, run.steps.size()) << "every step ran while the box was open";
        return run.box;
    }
    static LPARAM ClientPoint(HWND box, POINT screen) {
        ScreenToClient(box, &screen);
        return MAKELPARAM(screen.x, screen.y);
    }
    static POINT LinkCentre(HWND box) {
        RECT link;
        GetWindowRect(GetDlgItem(box, 1001), &link);
        return {(link.left + link.right) / 2, (link.top + link.bottom) / 2};
    }
};

TEST_F(AboutBoxTest, TheSystemMenuCommandShowsThePictureAndTheLinkAndAClickOutsideEndsIt) {
    HtmAssociation htm(Unique("StepforgeTest.ReadMe"), "\"" + RecorderPath() + "\" \"%1\"");
    Recording recording;
    std::string recorded;
    const HWND box = RunAbout(0x0010, {
        [&](HWND box) {
            EXPECT_TRUE(IsWindowVisible(box));
            EXPECT_FALSE(IsWindowEnabled(hwnd())) << "modal over the main window";
            EXPECT_EQ(GetCapture(), box) << "the box holds the mouse";
            RECT area, placed;
            SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
            GetWindowRect(box, &placed);
            EXPECT_NEAR(placed.left + placed.right, area.left + area.right, 2) << "centred";
            EXPECT_NEAR(placed.top + placed.bottom, area.top + area.bottom, 2) << "centred";

            const auto picture = reinterpret_cast<HBITMAP>(
                SendMessageA(GetDlgItem(box, 301), STM_GETIMAGE, IMAGE_BITMAP, 0));
            BITMAP size = {};
            ASSERT_TRUE(picture && GetObjectA(picture, sizeof size, &size));
            EXPECT_EQ(size.bmWidth, 215) << "the ABOUTBMP picture";
            EXPECT_EQ(size.bmHeight, 265);

            HWND link = GetDlgItem(box, 1001);
            char text[64] = {};
            GetWindowTextA(link, text, sizeof text);
            EXPECT_STREQ(text, "Stepforge read-me");
            EXPECT_TRUE(GetWindowLongA(link, GWL_STYLE) & SS_NOTIFY) << "taken over as a link";
            EXPECT_EQ(CtlColourText(box, link), kLinkColour);

            HMODULE module = GetModuleHandleA(nullptr);
            SendMessageA(box, WM_MOUSEMOVE, 0, ClientPoint(box, LinkCentre(box)));
            EXPECT_EQ(GetCursor(), LoadCursorA(module, "HANDCUR"));
            SendMessageA(box, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
            EXPECT_EQ(GetCursor(), LoadCursorA(module, "NOCUR"));
        },
        [&](HWND box) {
            SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, ClientPoint(box, LinkCentre(box)));
            recorded = recording.Wait();
            EXPECT_EQ(GetCapture(), box) << "the mouse is held again";
            EXPECT_EQ(CtlColourText(box, GetDlgItem(box, 1001)), kVisitedColour);
        },
        [&](HWND box) {
            EXPECT_TRUE(IsWindowVisible(box)) << "a click on the link keeps the box";
            SendMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        },
    });
    ASSERT_NE(box, nullptr) << "the box was shown";
    EXPECT_NE(recorded.find(AboutBox::ReadMeAddress()), std::string::npos)
        << "the link opened the read-me page: " << recorded;
    EXPECT_TRUE(linkErrors.empty()) << linkErrors.front();
    EXPECT_FALSE(IsWindow(box)) << "the click outside the link ended the box";
    EXPECT_TRUE(IsWindowEnabled(hwnd()));
    EXPECT_NE(GetCapture(), box);
}

TEST_F(AboutBoxTest, TheMenuItemIsThereAndAnyCommandReachingTheBoxEndsIt) {
    char item[128] = {}, expected[128] = {};
    GetMenuStringA(GetSystemMenu(hwnd(), FALSE), 0x0010, item, sizeof item, MF_BYCOMMAND);
    LoadStringA(GetModuleHandleA(nullptr), IDS_ABOUTBOX, expected, sizeof expected);
    EXPECT_STRNE(expected, "");
    EXPECT_STREQ(item, expected);

    // The low four bits of the command are the system's own: 0x0013 is the same item.
    const HWND box = RunAbout(0x0013, {
        [](HWND box) { PostMessageA(box, WM_COMMAND, MAKEWPARAM(1001, STN_CLICKED), 0); },
    });
    ASSERT_NE(box, nullptr) << "the box was shown";
    EXPECT_FALSE(IsWindow(box));
    EXPECT_TRUE(IsWindowEnabled(hwnd()));
}

}  // namespace
