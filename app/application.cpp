#include "app/application.h"

#include "app/main_window.h"

namespace {
StepforgeApp theApp;
}

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
    if (theApp.InitInstance()) {
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return 0;
}
