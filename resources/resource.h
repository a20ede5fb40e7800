// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDD_MAIN_WINDOW 102
#define IDD_CHAIN_POPUP 167
#define IDS_ABOUTBOX 101
#define IDI_MAIN 128
