// The agent window procedure: each message goes to a small handler.
#include "agent/agent.h"
#include "agent/agent_command.h"
#include "ui/tray_menu.h"
#include "watch/check_cycle.h"

namespace {

LRESULT MsgCreate(HWND hwnd)
{
    CheckAddress(hwnd, 0); // first cycle; adds the icon
    g_timerId = SetTimer(hwnd, AGENT_TIMER_ID, AGENT_TIMER_PERIOD_MS, nullptr);
    return 0;
}

LRESULT MsgTimer(HWND hwnd, WPARAM timerId)
{
    // The timer is off while its cycle runs, so a slow lookup or an open question
    // delays the next tick instead of stacking them.
    if (timerId == g_timerId) {
        KillTimer(hwnd, AGENT_TIMER_ID);
        CheckAddress(hwnd, 1);
    }
    g_timerId = SetTimer(hwnd, AGENT_TIMER_ID, AGENT_TIMER_PERIOD_MS, nullptr);
    return 0;
}

LRESULT MsgDestroy(HWND hwnd)
{
    KillTimer(hwnd, AGENT_TIMER_ID);
    Shell_NotifyIconA(NIM_DELETE, &g_trayData);
    ReleaseMutex(g_instanceMutex);
    // Closed here rather than at process end, so a new copy can start at once.
    CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
    PostQuitMessage(0);
    return 0;
}

// Windows asks before a sign-out, and its installer's Restart Manager asks with
// ENDSESSION_CLOSEAPP before it replaces the program: the agent keeps nothing to save.
LRESULT MsgQueryEndSession()
{
    return TRUE;
}

// The session or the program's use ends: go as Exit does, so the icon goes and the name
// is free for the copy the installer starts next.
LRESULT MsgEndSession(HWND hwnd, WPARAM ending)
{
    if (ending)
        DestroyWindow(hwnd);
    return 0;
}

} // namespace

LRESULT CALLBACK AgentWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // The shell was restarted: put the icon back, then let the message go on as usual.
    if (message == g_taskbarCreatedMsg && message != 0)
        CheckAddress(hwnd, 0);

    switch (message) {
    case WM_CREATE:
        return MsgCreate(hwnd);
    case WM_TIMER:
        return MsgTimer(hwnd, wParam);
    case WM_DESTROY:
        return MsgDestroy(hwnd);
    case WM_QUERYENDSESSION:
        return MsgQueryEndSession();
    case WM_ENDSESSION:
        return MsgEndSession(hwnd, wParam);
    case WM_COMMAND:
        return OnAgentCommand(hwnd, message, wParam, lParam);
    case WM_MEASUREITEM:
        MeasureMenuItem(hwnd, reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
        return 0;
    case WM_DRAWITEM:
        DrawMenuItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam));
        return 0;
    case WM_TRAYNOTIFY:
        OnTrayNotify(hwnd, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
