// Window messages of the transport: posted by the sequencer from the timer
// thread to the main window, and between running copies of the program.
#pragma once

constexpr unsigned UM_STEP_SOUNDED = 1074;     // WM_USER + 50: a step slot was processed
constexpr unsigned UM_START_TRANSPORT = 1124;  // WM_USER + 100: start playback (from any copy)
constexpr unsigned UM_STOP_TRANSPORT = 1224;   // WM_USER + 200: stop playback (from any copy)
constexpr unsigned UM_MEASURE_STATE = 1524;    // WM_USER + 500: wParam measure; lParam 0 pass begins, -1 stopped
