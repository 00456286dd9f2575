// Resource identifiers of Korvane.exe; shared by the resource script and the code.
#pragma once

// Icons
#define IDI_AGENT 103
#define IDI_TRAY_FRAME1 106
#define IDI_SEPARATOR 117  // asked for at start-up, deliberately absent
#define IDI_TRAY_FRAME2 131
#define IDI_TRAY_FRAME3 132
#define IDI_TRAY_FRAME4 133
#define IDI_COMPUTER_LOCK 141
#define IDI_EXIT 149
#define IDI_SETTING 150
#define IDI_COMPUTER_LOCK_GRAY 151
#define IDI_PADLOCK 163

// Bitmaps
#define IDB_BANNER 122
#define IDB_REBOOT 164

// Strings
#define IDS_WINDOW_TITLE 1
#define IDS_WINDOW_CLASS 3
#define IDS_COMPUTER_LOCK 10
#define IDS_SETTING 12
#define IDS_ABOUT 13
#define IDS_EXIT 14
#define IDS_SEPARATOR 15

// Dialogs
#define IDD_VERSION_INFO 101
#define IDD_SETTING 105
#define IDD_PASSCODE 162

// Dialog controls
#define IDC_PASSCODE_EDIT 1001
#define IDC_DELETE 1002
#define IDC_ADD 1003
#define IDC_CURRENT_ADDRESS 1004
#define IDC_DEBUG_BOX 1009
#define IDC_AUTO_START 1010
#define IDC_REBOOT_SET 1011
#define IDC_EASY_PC_LOCK 1012
#define IDC_QUICK_LOCK 1014
#define IDC_TRUSTED_LIST 1018
#define IDC_RECORD_IPLOG 1020
