// The application object: constructs the main window, runs it modally and lets
// the process end when the dialog ends.
#pragma once
#include <windows.h>

class MainWindow;

class Application {
public:
    virtual ~Application() = default;
    // Returns FALSE when the process should end without a message pump of its own.
    virtual BOOL InitInstance() = 0;

    HINSTANCE instance = nullptr;
    MainWindow* mainWindow = nullptr;
};

class StepforgeApp : public Application {
public:
    BOOL InitInstance() override;
};

Application& TheApplication();
