#include "controls/key_state.h"

namespace {
KeyStateQuery g_query = nullptr;
}

SHORT AsyncKeyState(int virtualKey) { return g_query ? g_query(virtualKey) : GetAsyncKeyState(virtualKey); }

KeyStateQuery SetKeyStateQuery(KeyStateQuery query) {
    KeyStateQuery previous = g_query;
    g_query = query;
    return previous;
}
