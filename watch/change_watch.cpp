// The change watch: the decision to log and lock when the address moves to an
// address the user has not declared trusted.
#include "watch/change_watch.h"

#include <strsafe.h>

#include <cstring>

#include "settings/runtime_options.h"
#include "settings/trusted_list.h"
#include "watch/action_log.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"
#include "watch/workstation_lock.h"

int g_checkCount;

namespace {

// About once a minute at the three-second period.
constexpr int kCyclesPerPeriodicLine = 20;

void CountCycle()
{
    if (g_checkCount >= kCyclesPerPeriodicLine) {
        WriteActionLog();
        g_checkCount = 0;
    } else {
        ++g_checkCount;
    }
}

// Exact byte comparison: case and length count, no locale.
int CountTrusted(const char* address)
{
    CCommonReg store;
    TrustedList trusted;
    ReadTrustedList(store, trusted);
    int matches = 0;
    for (int i = 0; i < trusted.count; ++i)
        matches += std::strcmp(trusted.entries[i], address) == 0;
    return matches;
}

// No is the default: a stray Enter must not lock the desktop.
bool ConfirmLock(HWND hwnd)
{
    char text[256] = {};
    StringCchPrintfA(text, sizeof text, "Change IP\n\rNew IP is %s \n\rAre PC Lock ?",
                     g_currentAddress);
    return MessageBoxA(hwnd, text, "Check !",
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_SYSTEMMODAL) == IDYES;
}

} // namespace

void WatchAddressChange(HWND hwnd, const char* previous)
{
    CountCycle();
    if (CountTrusted(g_currentAddress) != 0 || std::strcmp(previous, g_currentAddress) == 0)
        return;

    WriteActionLog();
    if (g_confirmBox == 1 && !ConfirmLock(hwnd))
        return;
    SetForegroundWindow(g_trayData.hWnd);
    LockWorkstation(hwnd);
}
