// The moving bench's iphlpapi.dll, never shipped: Wine 8's NotifyAddrChange never completes;
// here a request completes when the IPv4 address table changes, as on Windows. The rest is
// forwarded to iphlpwine.dll, Wine's own renamed. One thread waits on a socket's
// SIO_ADDRESS_LIST_CHANGE (Wine completes it from the kernel's events) for all requests.
#include <winsock2.h>
#include <windows.h>

namespace {

constexpr ULONG_PTR kStatusCancelled = 0xC0000120;

CRITICAL_SECTION g_lock;
OVERLAPPED* g_pending[16];
LONG g_failing;    // requests still to refuse, as a system out of resources would
HANDLE g_watching; // set once the watch is armed; callers get it as the request's handle

// Completes the pending requests that match (all when which is null); the lock is held.
bool Complete(OVERLAPPED* which, ULONG_PTR status)
{
    bool found = false;
    for (OVERLAPPED*& request : g_pending)
        if (request && (!which || request == which)) {
            request->InternalHigh = 0;
            request->Internal = status;
            if (request->hEvent)
                SetEvent(request->hEvent);
            request = nullptr;
            found = true;
        }
    return found;
}

DWORD WINAPI WatchAddresses(void*)
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = WSASocketA(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    WSAOVERLAPPED change = {};
    change.hEvent = WSACreateEvent();
    for (DWORD bytes = 0;; WSAResetEvent(change.hEvent)) {
        // Asked again before the callers hear of the last change, so none goes unseen.
        WSAIoctl(s, SIO_ADDRESS_LIST_CHANGE, nullptr, 0, nullptr, 0, &bytes, &change, nullptr);
        SetEvent(g_watching);
        if (WSAWaitForMultipleEvents(1, &change.hEvent, FALSE, INFINITE, FALSE) != 0)
            return 1;
        EnterCriticalSection(&g_lock);
        Complete(nullptr, 0);
        LeaveCriticalSection(&g_lock);
    }
}

} // namespace

// Only the overlapped form: the bench's programs never block on it.
extern "C" DWORD WINAPI NotifyAddrChange(HANDLE* handle, OVERLAPPED* overlapped)
{
    if (!handle || !overlapped)
        return ERROR_NOT_SUPPORTED;
    EnterCriticalSection(&g_lock);
    if (!g_watching) {
        g_watching = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        CloseHandle(CreateThread(nullptr, 0, WatchAddresses, nullptr, 0, nullptr));
        WaitForSingleObject(g_watching, 5000); // a change from now on completes the request
    }
    OVERLAPPED** slot = g_pending;
    while (slot < g_pending + 16 && *slot)
        ++slot;
    if (g_failing > 0 && g_failing--) // the tests' refusals, as when no room is left
        slot = g_pending + 16;
    if (slot < g_pending + 16) {
        overlapped->Internal = STATUS_PENDING;
        if (overlapped->hEvent)
            ResetEvent(overlapped->hEvent);
        *slot = overlapped;
        *handle = g_watching;
    }
    LeaveCriticalSection(&g_lock);
    return slot < g_pending + 16 ? ERROR_IO_PENDING : ERROR_NOT_ENOUGH_MEMORY;
}

extern "C" BOOL WINAPI CancelIPChangeNotify(OVERLAPPED* overlapped)
{
    EnterCriticalSection(&g_lock);
    const bool found = overlapped && Complete(overlapped, kStatusCancelled);
    LeaveCriticalSection(&g_lock);
    return found;
}

// The tests' own: the next count requests fail; the pending ones complete with status.
extern "C" void WINAPI StandinFail(LONG count, ULONG_PTR status)
{
    EnterCriticalSection(&g_lock);
    g_failing = count;
    Complete(nullptr, status);
    LeaveCriticalSection(&g_lock);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    return TRUE;
}
