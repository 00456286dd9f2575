// The change watch: the decision to log and lock when the address moves to an
// address the user has not declared trusted.
#include "watch/change_watch.h"

#include <strsafe.h>

#include <cstring>

#include "settings/policy.h"
#include "settings/runtime_options.h"
#include "settings/trusted_entry.h"
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

bool Trusts(const char* entry, LPARAM address)
{
    return EntryTrusts(entry, reinterpret_cast<const char*>(address));
}

// The user's own list (unless a policy sets it aside) and the policies' entries, all read
// afresh: an address by its whole text, a network by its prefix.
bool IsTrusted(const char* address)
{
    if (OwnListCounts()) {
        CCommonReg store;
        TrustedList own;
        ReadTrustedList(store, own);
        for (int i = 0; i < own.count; ++i)
            if (EntryTrusts(own.entries[i], address))
                return true;
    }
    return ForEachPolicyEntry(Trusts, reinterpret_cast<LPARAM>(address));
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
    // Only a move can lock: an unchanged address needs no trusted test, so an idle cycle
    // reads no list, however many networks a policy trusts.
    if (std::strcmp(previous, g_currentAddress) == 0 || IsTrusted(g_currentAddress))
        return;

    WriteActionLog();
    if (g_confirmBox == 1 && !ConfirmLock(hwnd))
        return;
    SetForegroundWindow(g_trayData.hWnd);
    LockWorkstation(hwnd);
}
