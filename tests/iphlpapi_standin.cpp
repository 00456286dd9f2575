// The moving bench's iphlpapi.dll, never shipped. Wine 8's NotifyAddrChange is a stub whose
// request never completes; this one keeps Windows' contract: the caller's request completes
// (its event is signalled) when the IPv4 address table changes. Every other export is
// forwarded to iphlpwine.dll, a renamed copy of Wine's own (the .def is made at build time).
// A request rides on a private socket's SIO_ADDRESS_LIST_CHANGE, which Wine completes from
// the kernel's own address events; a pool wait then completes the caller's OVERLAPPED.
#include <winsock2.h>
#include <windows.h>

namespace {

constexpr int kMaxRequests = 16;
constexpr ULONG_PTR kStatusPending = 0x103;
constexpr ULONG_PTR kStatusCancelled = 0xC0000120;

struct Request {
    OVERLAPPED* caller;
    SOCKET socket;
    WSAOVERLAPPED own; // the socket's request and its event
    HANDLE wait;
};

CRITICAL_SECTION g_lock;
Request* g_requests[kMaxRequests];
HANDLE g_requestHandle; // what callers get as the request's handle

void StartSockets()
{
    static LONG started;
    WSADATA data;
    if (InterlockedExchange(&started, 1) == 0)
        WSAStartup(MAKEWORD(2, 2), &data);
}

bool AskForChange(SOCKET s, WSAOVERLAPPED* overlapped)
{
    DWORD bytes = 0;
    return WSAIoctl(s, SIO_ADDRESS_LIST_CHANGE, nullptr, 0, nullptr, 0, &bytes, overlapped,
                    nullptr) == 0 ||
           WSAGetLastError() == WSA_IO_PENDING;
}

void Free(Request* r)
{
    if (r->socket != INVALID_SOCKET)
        closesocket(r->socket);
    if (r->own.hEvent)
        CloseHandle(r->own.hEvent);
    HeapFree(GetProcessHeap(), 0, r);
}

// Completes slot i's caller with status; the lock is held.
void Complete(int i, ULONG_PTR status)
{
    Request* r = g_requests[i];
    g_requests[i] = nullptr;
    // Not UnregisterWaitEx(INVALID_HANDLE_VALUE): this may run inside the wait's callback.
    UnregisterWait(r->wait);
    r->caller->InternalHigh = 0;
    r->caller->Internal = status;
    if (r->caller->hEvent)
        SetEvent(r->caller->hEvent);
    Free(r);
}

void CALLBACK Changed(void* request, BOOLEAN)
{
    EnterCriticalSection(&g_lock);
    for (int i = 0; i < kMaxRequests; ++i)
        if (g_requests[i] == request)
            Complete(i, 0);
    LeaveCriticalSection(&g_lock);
}

} // namespace

extern "C" DWORD WINAPI NotifyAddrChange(HANDLE* handle, OVERLAPPED* overlapped)
{
    StartSockets();
    if (!handle && !overlapped) { // blocks until the table changes
        SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        DWORD bytes = 0;
        int failed =
            WSAIoctl(s, SIO_ADDRESS_LIST_CHANGE, nullptr, 0, nullptr, 0, &bytes, nullptr, nullptr);
        DWORD error = failed ? static_cast<DWORD>(WSAGetLastError()) : NO_ERROR;
        closesocket(s);
        return error;
    }
    if (!handle || !overlapped)
        return ERROR_INVALID_PARAMETER;
    auto* r = static_cast<Request*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(Request)));
    if (!r)
        return ERROR_NOT_ENOUGH_MEMORY;
    r->caller = overlapped;
    r->socket = WSASocketA(AF_INET, SOCK_DGRAM, IPPROTO_UDP, nullptr, 0, WSA_FLAG_OVERLAPPED);
    r->own.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    overlapped->Internal = kStatusPending;
    overlapped->InternalHigh = 0;
    if (overlapped->hEvent)
        ResetEvent(overlapped->hEvent);

    EnterCriticalSection(&g_lock);
    int slot = 0;
    while (slot < kMaxRequests && g_requests[slot])
        ++slot;
    if (!g_requestHandle)
        g_requestHandle = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const bool asked = slot < kMaxRequests && r->socket != INVALID_SOCKET && r->own.hEvent &&
                       AskForChange(r->socket, &r->own);
    if (asked) {
        g_requests[slot] = r;
        RegisterWaitForSingleObject(&r->wait, r->own.hEvent, Changed, r, INFINITE,
                                    WT_EXECUTEONLYONCE);
    }
    LeaveCriticalSection(&g_lock);
    if (!asked) {
        overlapped->Internal = 0;
        Free(r);
        return ERROR_NOT_SUPPORTED;
    }
    *handle = g_requestHandle;
    return ERROR_IO_PENDING;
}

extern "C" BOOL WINAPI CancelIPChangeNotify(OVERLAPPED* overlapped)
{
    BOOL found = FALSE;
    EnterCriticalSection(&g_lock);
    for (int i = 0; i < kMaxRequests; ++i)
        if (g_requests[i] && g_requests[i]->caller == overlapped) {
            Complete(i, kStatusCancelled);
            found = TRUE;
        }
    LeaveCriticalSection(&g_lock);
    return found;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    return TRUE;
}
