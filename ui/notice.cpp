#include "ui/notice.h"

#include <windows.h>

namespace {
NoteSink noteSink = nullptr;
}

void ShowNote(const char* text) {
    if (noteSink) {
        noteSink(text);
        return;
    }
    MessageBoxA(nullptr, text, "NOTE!", MB_OK);
}

NoteSink SetNoteSink(NoteSink sink) {
    NoteSink previous = noteSink;
    noteSink = sink;
    return previous;
}
