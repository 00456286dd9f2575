#include "tests/bench/ui_driver.h"

#include <algorithm>

namespace bench {

namespace {

struct WindowSearch {
    const char* className;
    const char* caption; // nullptr: any
    bool includeHidden;
    std::vector<HWND>* found;
};

BOOL CALLBACK CollectWindows(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != GetCurrentProcessId() || (!search->includeHidden && !IsWindowVisible(hwnd)))
        return TRUE;
    char cls[32] = {};
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpA(cls, search->className) != 0)
        return TRUE;
    if (search->caption) {
        // InternalGetWindowText does not wait for the window's thread, which may be busy.
        WCHAR wide[256] = {};
        InternalGetWindowText(hwnd, wide, 256);
        char text[512] = {};
        WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
        if (lstrcmpA(text, search->caption) != 0)
            return TRUE;
    }
    search->found->push_back(hwnd);
    return TRUE;
}

std::vector<HWND> FindWindows(const char* className, const char* caption, bool includeHidden)
{
    std::vector<HWND> found;
    WindowSearch search = {className, caption, includeHidden, &found};
    EnumWindows(CollectWindows, reinterpret_cast<LPARAM>(&search));
    return found;
}

std::string CaptionOf(HWND hwnd)
{
    WCHAR wide[256] = {};
    InternalGetWindowText(hwnd, wide, 256);
    char text[512] = {};
    WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
    return text;
}

// The spy's state: one spied window per process.
CRITICAL_SECTION g_spyLock;
bool g_spyLockReady = false;
HWND g_spied = nullptr;
WNDPROC g_spiedProc = nullptr;
std::vector<SpiedMessage> g_spiedMessages;

LRESULT CALLBACK SpyProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    SpiedMessage seen = {message, wParam, lParam, InSendMessage() != FALSE, 0, 0, 0, 0};
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        seen.itemId = item->itemID;
        seen.itemState = item->itemState;
    }
    const LRESULT result = CallWindowProcA(g_spiedProc, hwnd, message, wParam, lParam);
    if (message == WM_MEASUREITEM) {
        const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam);
        seen.itemId = item->itemID;
        seen.measuredWidth = item->itemWidth;
        seen.measuredHeight = item->itemHeight;
    }
    EnterCriticalSection(&g_spyLock);
    g_spiedMessages.push_back(seen);
    LeaveCriticalSection(&g_spyLock);
    return result;
}

} // namespace

std::vector<HWND> FindDialogs(const char* caption, bool includeHidden)
{
    return FindWindows("#32770", caption, includeHidden);
}

HWND WaitForDialog(const char* caption, DWORD timeoutMs, const std::vector<HWND>& known)
{
    const DWORD start = GetTickCount();
    do {
        for (HWND dialog : FindDialogs(caption)) {
            if (std::find(known.begin(), known.end(), dialog) == known.end())
                return dialog;
        }
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

bool WaitUntilGone(HWND window, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

HWND WaitForMenuWindow(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do {
        std::vector<HWND> menus = FindWindows("#32768", nullptr, false);
        if (!menus.empty())
            return menus.front();
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return nullptr;
}

void TypeText(HWND dialog, int controlId, const char* text)
{
    DWORD_PTR result = 0;
    SendMessageTimeoutA(GetDlgItem(dialog, controlId), WM_SETTEXT, 0,
                        reinterpret_cast<LPARAM>(text), SMTO_NORMAL, 5000, &result);
}

void ClickButton(HWND dialog, int buttonId)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, buttonId)));
}

void PostKey(HWND window, WORD virtualKey)
{
    const UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(window, WM_KEYDOWN, virtualKey, 1 | (scan << 16));
    PostMessageA(window, WM_KEYUP, virtualKey, 1 | (scan << 16) | 0xC0000000u);
}

bool Sync(HWND window, DWORD timeoutMs)
{
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &result) != 0;
}

UserThread::UserThread(std::function<void()> script)
    : stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr))
{
    thread_ = std::thread([this, script] {
        script();
        Sweep();
    });
}

UserThread::~UserThread()
{
    Finish();
    CloseHandle(stop_);
}

void UserThread::Finish()
{
    SetEvent(stop_);
    if (thread_.joinable())
        thread_.join();
}

void UserThread::Sweep()
{
    std::vector<HWND> closed;
    while (WaitForSingleObject(stop_, 50) == WAIT_TIMEOUT) {
        for (HWND menu : FindWindows("#32768", nullptr, false)) {
            if (std::find(closed.begin(), closed.end(), menu) == closed.end()) {
                unexpected_.push_back("#menu");
                closed.push_back(menu);
            }
            PostKey(menu, VK_ESCAPE);
        }
        for (HWND dialog : FindDialogs(nullptr)) {
            if (std::find(closed.begin(), closed.end(), dialog) == closed.end()) {
                unexpected_.push_back(CaptionOf(dialog));
                closed.push_back(dialog);
            }
            ClickButton(dialog, IDCANCEL);
        }
    }
}

WindowSpy::WindowSpy(HWND window)
{
    if (!g_spyLockReady) {
        InitializeCriticalSection(&g_spyLock);
        g_spyLockReady = true;
    }
    Clear();
    g_spied = window;
    g_spiedProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpyProc)));
}

WindowSpy::~WindowSpy()
{
    if (IsWindow(g_spied))
        SetWindowLongPtrA(g_spied, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_spiedProc));
    g_spied = nullptr;
}

std::vector<SpiedMessage> WindowSpy::Messages(UINT message) const
{
    std::vector<SpiedMessage> selected;
    EnterCriticalSection(&g_spyLock);
    for (const SpiedMessage& seen : g_spiedMessages) {
        if (seen.message == message)
            selected.push_back(seen);
    }
    LeaveCriticalSection(&g_spyLock);
    return selected;
}

int WindowSpy::Count(UINT message) const
{
    return static_cast<int>(Messages(message).size());
}

void WindowSpy::Clear()
{
    EnterCriticalSection(&g_spyLock);
    g_spiedMessages.clear();
    LeaveCriticalSection(&g_spyLock);
}

ImportPatch::ImportPatch(const char* dll, const char* function, const void* replacement)
{
    auto* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0)
        return;
    for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
         entry->Name != 0 && !slot_; ++entry) {
        if (lstrcmpiA(reinterpret_cast<const char*>(base + entry->Name), dll) != 0 ||
            entry->OriginalFirstThunk == 0)
            continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal))
                continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<const char*>(byName->Name), function) == 0) {
                slot_ = reinterpret_cast<void**>(&slots->u1.Function);
                break;
            }
        }
    }
    if (slot_) {
        original_ = *slot_;
        Write(replacement);
    }
}

ImportPatch::~ImportPatch()
{
    if (slot_)
        Write(original_);
}

void ImportPatch::Write(const void* value)
{
    DWORD previous = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &previous);
    *slot_ = const_cast<void*>(value);
    VirtualProtect(slot_, sizeof *slot_, previous, &previous);
}

} // namespace bench
