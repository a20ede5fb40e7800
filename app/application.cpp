#include "app/application.h"

#include <shellapi.h>

#include <string>
#include <vector>

#include "app/export_command.h"
#include "app/main_window.h"

namespace {
StepforgeApp theApp;

// The command line's arguments after the program's name, in the ANSI code page.
std::vector<std::string> CommandLineArguments() {
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide && i < count; ++i) {
        char buffer[MAX_PATH * 4] = {};
        WideCharToMultiByte(CP_ACP, 0, wide[i], -1, buffer, sizeof buffer, nullptr, nullptr);
        arguments.push_back(buffer);
    }
    if (wide) LocalFree(wide);
    return arguments;
}
}  // namespace

Application& TheApplication() { return theApp; }

BOOL StepforgeApp::InitInstance() {
    MainWindow window;
    mainWindow = &window;
    window.DoModal();  // its result is not needed: closing ends the program
    mainWindow = nullptr;
    return FALSE;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    theApp.instance = instance;
    // A script's export: rendered without a window.
    const std::vector<std::string> arguments = CommandLineArguments();
    if (!arguments.empty() && IsExportSwitch(arguments[0]))
        return RunCommandLineExport(std::vector<std::string>(arguments.begin() + 1, arguments.end()));
    if (theApp.InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
