// The tray menu's commands. The tray icon stays live while a modal dialog is up, so a
// command can arrive again from inside its own dialog; the open flags keep each dialog
// that a command opens to one copy.
#include "agent/agent_command.h"

#include "agent/agent.h"
#include "settings/policy.h"
#include "settings/runtime_options.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"
#include "watch/check_cycle.h"
#include "watch/workstation_lock.h"

int g_passCodeDlgOpen;
int g_settingDlgOpen;
int g_aboutDlgOpen;

namespace {

// Runs the dialog modal to the agent window, with its open flag set exactly meanwhile.
void RunFlaggedDialog(int& openFlag, WORD resource, HWND owner, DLGPROC procedure)
{
    openFlag = 1;
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(resource), owner, procedure, 0);
    openFlag = 0;
}

// The prompt leaves its verdict in g_passOk. A prompt that is already open is not asked
// again; the caller then goes by whatever g_passOk holds.
void AskPassCode(HWND hwnd)
{
    if (!g_passCodeDlgOpen)
        RunFlaggedDialog(g_passCodeDlgOpen, IDD_PASSCODE, hwnd, PassCodeDlgProc);
}

LRESULT OnComputerLock(HWND hwnd)
{
    // The item is grayed without Easy PC Lock; a forged command must not lock either.
    if (g_computerLock == 1)
        LockWorkstation(hwnd);
    return 0;
}

LRESULT OnSetting(HWND hwnd)
{
    SetForegroundWindow(g_trayData.hWnd);
    AskPassCode(hwnd);
    if (g_passOk == 1 && !g_settingDlgOpen) {
        RunFlaggedDialog(g_settingDlgOpen, IDD_SETTING, hwnd, SettingDlgProc);
        // The code opened this one dialog only.
        g_passOk = 0;
    }
    return 0;
}

LRESULT OnAbout(HWND hwnd)
{
    SetForegroundWindow(g_trayData.hWnd);
    if (!g_aboutDlgOpen)
        RunFlaggedDialog(g_aboutDlgOpen, IDD_VERSION_INFO, hwnd, AboutDlgProc);
    return 0;
}

LRESULT OnExit(HWND hwnd)
{
    // The item is grayed where a policy forbids it; a forged command must not end it either.
    if (!ExitAllowed())
        return 0;
    SetForegroundWindow(g_trayData.hWnd);
    // A verdict left over from the Setting command must not let the agent end.
    g_passOk = 0;
    AskPassCode(hwnd);
    if (g_passOk == 1)
        DestroyWindow(hwnd);
    return 0;
}

} // namespace

LRESULT OnAgentCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (LOWORD(wParam)) {
    case CMD_COMPUTER_LOCK:
        return OnComputerLock(hwnd);
    case CMD_SETTING:
        return OnSetting(hwnd);
    case CMD_ABOUT:
        return OnAbout(hwnd);
    case CMD_EXIT:
        return OnExit(hwnd);
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
