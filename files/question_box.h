// The program's two question boxes (the save-changes question and the OK /
// Cancel question) share one dialog procedure: the text goes into control
// 200; OK or Save ends with 1, Cancel with 0, Don't Save with 2.
#pragma once
#include <windows.h>

#include <string>

INT_PTR AskQuestion(HWND owner, const char* templateName, const std::string& text);
