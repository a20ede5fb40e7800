// The main window: one modal dialog (template 102) that owns the document and
// hosts the program's controls.
#pragma once
#include <windows.h>

#include "app/dialog.h"
#include "model/setup.h"

class MainWindow : public Dialog {
public:
    MainWindow();
    ~MainWindow() override;

    Setup setup;

protected:
    bool PreTranslateMessage(MSG* msg) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;

private:
    void AppendAboutItem();
    void OnGetMinMaxInfo(MINMAXINFO* info);
    void OnClose();

    HICON icon_ = nullptr;
    bool initialised_ = false;
};
