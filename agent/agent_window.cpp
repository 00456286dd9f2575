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
// The last change the system reported, and the first of those the settle wait gathers.
DWORD g_lastChange;
DWORD g_settleFirst;
bool g_settling;

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
    g_settling = false;
    g_lastChange = GetTickCount() - AGENT_QUIET_MS;
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
        g_settling = false;
        PollCycle(hwnd);
        return 0;
    }
    // A renewal that failed is tried again at every tick until it takes.
    if (AddressNotifyLapsed())
        RenewAddressNotify();
    if (timerId == g_timerId)
        PollCycle(hwnd);
    g_timerId = SetTimer(hwnd, AGENT_TIMER_ID, AGENT_TIMER_PERIOD_MS, nullptr);
    return 0;
}

// The first change after a quiet spell is looked at at once: a move is usually whole by
// then. Changes that follow it closely are gathered by a short settle wait, which each
// restarts, but never beyond a bound after the first it gathers: a flapping interface
// cannot put the cycle off.
void CycleForChange(HWND hwnd)
{
    const DWORD now = GetTickCount();
    const bool quiet = now - g_lastChange >= AGENT_QUIET_MS;
    g_lastChange = now;
    if (quiet && !g_settling) {
        PollCycle(hwnd);
        return;
    }
    if (!g_settling)
        g_settleFirst = now;
    g_settling = true;
    const DWORD waited = now - g_settleFirst;
    const DWORD left = waited < AGENT_SETTLE_LIMIT_MS ? AGENT_SETTLE_LIMIT_MS - waited : 0;
    SetTimer(hwnd, AGENT_SETTLE_TIMER_ID, left < AGENT_SETTLE_MS ? left + 1 : AGENT_SETTLE_MS,
             nullptr);
}

// The system reported on the address table: ask again at once, so no later change goes
// unheard (a failed request is asked again at the poll's tick), then look unless the report
// was a failure rather than a change.
LRESULT MsgAddressChanged(HWND hwnd)
{
    const bool changed = AddressChangeReported();
    RenewAddressNotify();
    if (changed)
        CycleForChange(hwnd);
    return 0;
}

LRESULT MsgDestroy(HWND hwnd)
{
    StopAddressNotify();
    KillTimer(hwnd, AGENT_SETTLE_TIMER_ID);
    KillTimer(hwnd, AGENT_TIMER_ID);
    Shell_NotifyIconA(NIM_DELETE, &g_trayData);
    ReleaseMutex(g_instanceMutex.Get());
    // Closed here rather than at process end, so a new copy can start at once.
    g_instanceMutex.Reset();
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
