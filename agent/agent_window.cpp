// The agent window procedure: each message goes to a small handler.
#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "ui/tray_menu.h"
#include "watch/address_notify.h"
#include "watch/check_cycle.h"

namespace {

// Cycles of this window in progress (a question box can hold one open), and whether the
// poll or a notification asked for one meanwhile.
int g_cycleDepth;
bool g_cyclePending;

void PollCycle(HWND hwnd);

void RunCycle(HWND hwnd, int modify)
{
    ++g_cycleDepth;
    CheckAddress(hwnd, modify);
    --g_cycleDepth;
    if (g_cycleDepth == 0 && g_cyclePending && IsWindow(hwnd)) {
        g_cyclePending = false;
        PollCycle(hwnd);
    }
}

// The poll's and the notification's cycle. Never a second one while a cycle runs: it runs
// once that one is over. The timer is off meanwhile, so ticks do not stack and its three
// seconds count from the end of the last cycle.
void PollCycle(HWND hwnd)
{
    if (g_cycleDepth > 0) {
        g_cyclePending = true;
        return;
    }
    KillTimer(hwnd, AGENT_TIMER_ID);
    RunCycle(hwnd, 1);
    g_timerId = SetTimer(hwnd, AGENT_TIMER_ID, AGENT_TIMER_PERIOD_MS, nullptr);
}

LRESULT MsgCreate(HWND hwnd)
{
    g_cycleDepth = 0;
    g_cyclePending = false;
    // Unchecked: without the notification the poll alone sees every move, as it always did.
    StartAddressNotify(hwnd, WM_ADDRESSCHANGED);
    RunCycle(hwnd, 0); // first cycle; adds the icon
    g_timerId = SetTimer(hwnd, AGENT_TIMER_ID, AGENT_TIMER_PERIOD_MS, nullptr);
    return 0;
}

LRESULT MsgTimer(HWND hwnd, WPARAM timerId)
{
    if (timerId == AGENT_SETTLE_TIMER_ID) {
        KillTimer(hwnd, AGENT_SETTLE_TIMER_ID);
        PollCycle(hwnd);
        return 0;
    }
    if (timerId == g_timerId)
        PollCycle(hwnd);
    g_timerId = SetTimer(hwnd, AGENT_TIMER_ID, AGENT_TIMER_PERIOD_MS, nullptr);
    return 0;
}

// The address table changed: ask again at once, so no later change goes unheard, and run
// the cycle when the burst has settled (each notification restarts the wait).
LRESULT MsgAddressChanged(HWND hwnd)
{
    RenewAddressNotify();
    SetTimer(hwnd, AGENT_SETTLE_TIMER_ID, AGENT_SETTLE_MS, nullptr);
    return 0;
}

LRESULT MsgDestroy(HWND hwnd)
{
    StopAddressNotify();
    KillTimer(hwnd, AGENT_SETTLE_TIMER_ID);
    KillTimer(hwnd, AGENT_TIMER_ID);
    Shell_NotifyIconA(NIM_DELETE, &g_trayData);
    ReleaseMutex(g_instanceMutex);
    // Closed here rather than at process end, so a new copy can start at once.
    CloseHandle(g_instanceMutex);
    g_instanceMutex = nullptr;
    PostQuitMessage(0);
    return 0;
}

// Group Policy broadcasts "Policy" after it applies: what it holds is in force at once,
// without a restart.
LRESULT MsgSettingChange(LPARAM area)
{
    const char* name = reinterpret_cast<const char*>(area);
    if (name && lstrcmpiA(name, "Policy") == 0)
        ReloadRuntimeOptions();
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
        RunCycle(hwnd, 0);

    switch (message) {
    case WM_CREATE:
        return MsgCreate(hwnd);
    case WM_TIMER:
        return MsgTimer(hwnd, wParam);
    case WM_ADDRESSCHANGED:
        return MsgAddressChanged(hwnd);
    case WM_DESTROY:
        return MsgDestroy(hwnd);
    case WM_SETTINGCHANGE:
        return MsgSettingChange(lParam);
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
