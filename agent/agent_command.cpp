// The tray menu's commands.
#include "agent/agent_command.h"

int g_passOk;
int g_passCodeDlgOpen;
int g_settingDlgOpen;
int g_aboutDlgOpen;

LRESULT OnAgentCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
