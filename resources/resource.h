// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDD_MAIN_WINDOW 102
#define IDD_CHAIN_POPUP 167
#define IDD_ABOUT_BOX 172
#define IDS_ABOUTBOX 101
#define IDI_MAIN 128

// Menus, the accelerator table, and the question box's text.
#define IDR_FILE_MENU 161
#define IDR_EDIT_MENU 162
#define IDR_OPTIONS_MENU 163
#define IDR_SOUND_MENU 164
#define IDR_ACCELERATORS 20000
#define IDC_QUESTION_TEXT 200

// Commands of the menus and the accelerators.
#define IDM_OPEN_SETUP 21001
#define IDM_SAVE_SETUP 21002
#define IDM_SAVE_SETUP_AS 21003
#define IDM_EXIT 21004
#define IDM_EXPORT_WAV 21005
#define IDM_EXPORT_LOOP_WAV 21006
#define IDM_IMPORT_SOUNDS 32771
#define IDM_CHANGE_COLOR 32775
#define IDM_ABOUT 32776
#define IDM_UNDO 22001
#define IDM_COPY_MEASURE 22002
#define IDM_PASTE_MEASURE 22003
#define IDM_SHIFT_LEFT 22004
#define IDM_SHIFT_RIGHT 22005
#define IDM_SAMPLES_PER_MEASURE 23003
#define IDM_BEATS_PER_MINUTE 23004
#define IDM_RANDOMIZE 23005
#define IDM_KILL_ALL_SOUND 23006
#define IDM_POLYPHONIC 23007
#define IDM_MUTE 23008
#define IDM_QUICK_FADE 32772
#define IDM_HIGH_RES_TIMER 32777
#define IDM_SOUND_FIRST 500
// Options > Swing, one radio item a swing value in menu order, and sounds at
// their own rate.
#define IDM_SWING_OFF 23100
#define IDM_SWING_54 23101
#define IDM_SWING_58 23102
#define IDM_SWING_62 23103
#define IDM_SWING_TRIPLET 23104
#define IDM_SWING_71 23105
#define IDM_SWING_75 23106
#define IDM_OWN_RATE 23110
// Options > Sample-Accurate Timing: the streaming output instead of DirectSound's buffers.
#define IDM_SAMPLE_ACCURATE 23120

// The Options menu's Zoom submenu: Automatic, then 1x to 3x, in this order.
#define IDM_ZOOM_AUTO 23201
#define IDM_ZOOM_1X 23202
#define IDM_ZOOM_2X 23203
#define IDM_ZOOM_3X 23204
