// The address-change notification: one overlapped NotifyAddrChange request at a time, its
// event watched by a thread-pool wait that only posts a message. The agent's own thread
// does everything else, inside whatever message loop is running (a menu, a dialog, a
// question box), which a wait in the agent's own loop would not see.
#include "watch/address_notify.h"

#include <winsock2.h>

#include "watch/system_folder.h"

namespace {

// How long the end waits for a cancelled request to write its result.
constexpr DWORD kCancelWaitMs = 1000;

using NotifyFunction = DWORD(WINAPI*)(HANDLE*, OVERLAPPED*);
using CancelFunction = BOOL(WINAPI*)(OVERLAPPED*);

NotifyFunction g_notifyAddrChange;
CancelFunction g_cancelIPChangeNotify;
OVERLAPPED g_notifyRequest;
HANDLE g_notifyWait;
HWND g_notifyWindow;
UINT g_notifyMessage;
bool g_listening;

// On a pool thread: hands the news to the agent's thread and nothing else.
void CALLBACK AddressChanged(void*, BOOLEAN)
{
    PostMessageA(g_notifyWindow, g_notifyMessage, 0, 0);
}

// iphlpapi.dll is not one of the system's known DLLs: imported, it would be looked for in
// the program's folder first. So it is loaded by its full path, once, and kept; the altered
// search path looks for its own dependencies in the system folder too, where the loader's
// default directories are not restricted (systems without SetDefaultDllDirectories).
bool LoadIpHelper()
{
    if (g_notifyAddrChange && g_cancelIPChangeNotify)
        return true;
    char path[MAX_PATH];
    if (!SystemFilePath("iphlpapi.dll", path))
        return false;
    HMODULE module = LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!module)
        return false;
    g_notifyAddrChange = reinterpret_cast<NotifyFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "NotifyAddrChange")));
    g_cancelIPChangeNotify = reinterpret_cast<CancelFunction>(
        reinterpret_cast<void*>(GetProcAddress(module, "CancelIPChangeNotify")));
    return g_notifyAddrChange && g_cancelIPChangeNotify;
}

} // namespace

int StartAddressNotify(HWND hwnd, UINT message)
{
    StopAddressNotify();
    if (!LoadIpHelper())
        return 0;
    g_notifyWindow = hwnd;
    g_notifyMessage = message;
    // Auto-reset: each completion wakes the pool wait exactly once.
    g_notifyRequest.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!g_notifyRequest.hEvent ||
        !RegisterWaitForSingleObject(&g_notifyWait, g_notifyRequest.hEvent, AddressChanged, nullptr,
                                     INFINITE, WT_EXECUTEDEFAULT)) {
        g_notifyWait = nullptr;
        StopAddressNotify();
        return 0;
    }
    if (!RenewAddressNotify()) {
        StopAddressNotify();
        return 0;
    }
    return 1;
}

int RenewAddressNotify()
{
    if (!g_notifyWait)
        return 0;
    HANDLE event = g_notifyRequest.hEvent;
    ZeroMemory(&g_notifyRequest, sizeof g_notifyRequest);
    g_notifyRequest.hEvent = event;
    // The handle belongs to the system and is never closed by its caller.
    HANDLE unused = nullptr;
    g_listening = g_notifyAddrChange(&unused, &g_notifyRequest) == ERROR_IO_PENDING;
    return g_listening ? 1 : 0;
}

bool AddressChangeReported()
{
    // The request's status, as the system completed it (0: success).
    return g_notifyRequest.Internal == 0;
}

bool AddressNotifyLapsed()
{
    return g_notifyWait && !g_listening;
}

void StopAddressNotify()
{
    if (g_notifyWait) {
        // Waits for a callback in progress; it only posts, so this is quick.
        UnregisterWaitEx(g_notifyWait, INVALID_HANDLE_VALUE);
        g_notifyWait = nullptr;
        // A cancelled request still completes into the record and its event: let it.
        if (g_cancelIPChangeNotify(&g_notifyRequest))
            WaitForSingleObject(g_notifyRequest.hEvent, kCancelWaitMs);
    }
    if (g_notifyRequest.hEvent)
        CloseHandle(g_notifyRequest.hEvent);
    ZeroMemory(&g_notifyRequest, sizeof g_notifyRequest);
    g_listening = false;
}
