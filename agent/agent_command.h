// The tray menu's commands, and the guards that keep their dialogs from opening twice.
#pragma once
#include <windows.h>

// Menu item identifiers, equal to their positions in the tray menu.
enum AgentCommand {
    CMD_COMPUTER_LOCK = 0,
    CMD_SEPARATOR1 = 1,
    CMD_SETTING = 2,
    CMD_ABOUT = 3,
    CMD_SEPARATOR2 = 4,
    CMD_EXIT = 5,
};

// 1 exactly while the dialog opened by a command runs.
extern int g_passCodeDlgOpen;
extern int g_settingDlgOpen;
extern int g_aboutDlgOpen;

// Handles WM_COMMAND for the agent window: 0 for its own identifiers, else DefWindowProcA.
LRESULT OnAgentCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
