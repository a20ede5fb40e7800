// The modifier and button state the controls read at the moment of an action.
#pragma once

#include <windows.h>

// GetAsyncKeyState, unless a test has put its own query in place.
SHORT AsyncKeyState(int virtualKey);

using KeyStateQuery = SHORT (*)(int virtualKey);
// Returns the previous query; nullptr goes back to GetAsyncKeyState.
KeyStateQuery SetKeyStateQuery(KeyStateQuery query);
