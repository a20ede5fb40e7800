// A small modal-dialog layer: a dialog from a resource template, run by our own
// message loop so that every message can be filtered (PreTranslateMessage)
// before the dialog manager sees it, and a subclassed window procedure so that
// every message reaches WindowProc first.
#pragma once
#include <windows.h>

class Dialog {
public:
    Dialog(UINT templateId, HWND parent);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the window, runs the modal loop until EndDialog, destroys the window.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);
    // Creates the window as a modeless dialog owned by `owner`. While a modal
    // loop runs, messages aimed at it or its children pass its own
    // PreTranslateMessage (its dialog processing) and no other filter.
    bool CreateModeless(HWND owner);

    HWND Handle() const { return hwnd_; }
    bool IsModalRunning() const { return running_; }

protected:
    // Return true when the message is consumed and must not be dispatched.
    virtual bool PreTranslateMessage(MSG* msg);
    // Every message of the dialog window passes here; call Default() for the
    // dialog manager's own processing.
    virtual LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();

    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam);

private:
    // The modeless dialog that `msg` is aimed at, if any.
    static Dialog* ModelessTarget(const MSG& msg);
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM);

    UINT templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
    WNDPROC dialogManagerProc_ = nullptr;
    bool running_ = false;
    bool ended_ = false;
    INT_PTR result_ = -1;
};
