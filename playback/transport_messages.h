// Window messages of the transport: posted by the sequencer from the timer
// thread to the main window, and between running copies of the program.
#pragma once

// WM_USER + 50: a step slot was processed; wParam the tag of the run.
constexpr unsigned UM_STEP_SOUNDED = 1074;
// WM_USER + 100 and + 200: start or stop playback (from any copy).
constexpr unsigned UM_START_TRANSPORT = 1124;
constexpr unsigned UM_STOP_TRANSPORT = 1224;
// WM_USER + 500: wParam the measure; lParam the tag of the start or jump that
// marks it as playing, or -1 when playback stopped.
constexpr unsigned UM_MEASURE_STATE = 1524;
