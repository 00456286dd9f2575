#include "bench/bench_kit.h"

#include <psapi.h>

#include <cstdlib>

namespace kit {

namespace {

// The agent writes no folders, so the files are all there is to delete.
void EmptyFolder(const std::string& path)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        DeleteFileA((path + "\\" + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
}

// Not in the SDK headers, exported by user32 on Windows and Wine alike: non-null exactly
// for a live icon or cursor of this process.
using CursorFrameInfoFn = HCURSOR(WINAPI*)(HCURSOR, DWORD, DWORD, DWORD*, DWORD*);

// Wine's handles: a USER handle's low word is 0x20 + 2 × table index, a GDI handle's is the
// table index; a high word of 0 stands for any generation.
void ProbeHandleTables(GuiObjects& objects)
{
    for (UINT_PTR index = 0; index < 0x10000; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0)
            ++objects.gdi;
    // Through void (*)(): the one conversion GCC accepts between unrelated function types.
    const auto frameInfo = reinterpret_cast<CursorFrameInfoFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "GetCursorFrameInfo")));
    const DWORD self = GetCurrentProcessId();
    for (UINT_PTR value = 0x20; value <= 0xffef; value += 2) {
        HWND hwnd = reinterpret_cast<HWND>(value);
        DWORD pid = 0, rate = 0, steps = 0;
        if ((IsWindow(hwnd) && GetWindowThreadProcessId(hwnd, &pid) && pid == self) ||
            IsMenu(reinterpret_cast<HMENU>(value)) ||
            (frameInfo && frameInfo(reinterpret_cast<HCURSOR>(value), 0, 0, &rate, &steps)))
            ++objects.user;
    }
    objects.how = frameInfo ? "probed handle tables (windows, menus, icons)"
                            : "probed handle tables (windows, menus; icons not countable)";
}

} // namespace

// One line per start: the tick, a tab, the program, a tab, the command line.
std::vector<DWORD> LockTicks()
{
    std::vector<DWORD> ticks;
    const std::string text = ReadWholeFile(LockRecordPath());
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
        ticks.push_back(static_cast<DWORD>(std::strtoul(text.c_str() + start, nullptr, 10)));
    return ticks;
}

bool WaitForLocks(size_t count, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (LockTicks().size() < count) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        PumpMessages(20);
    }
    return true;
}

ScratchDir::ScratchDir(const char* name)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    path_ = std::string(temp) + "korvane-" + name;
    EmptyFolder(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
    GetCurrentDirectoryA(sizeof previous_, previous_);
    SetCurrentDirectoryA(path_.c_str());
}

ScratchDir::~ScratchDir()
{
    SetCurrentDirectoryA(previous_);
    EmptyFolder(path_);
    RemoveDirectoryA(path_.c_str());
}

GuiObjects CountGuiObjects()
{
    GuiObjects objects;
    objects.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    objects.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (objects.gdi != 0 && objects.user != 0) {
        objects.how = "GetGuiResources";
        return objects;
    }
    objects = GuiObjects();
    ProbeHandleTables(objects);
    return objects;
}

SIZE_T PrivateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(),
                             reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) &&
        counters.PrivateUsage != 0)
        return counters.PrivateUsage;
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (auto* address = static_cast<const char*>(nullptr);
         VirtualQuery(address, &info, sizeof info) == sizeof info && info.RegionSize != 0;
         address = static_cast<const char*>(info.BaseAddress) + info.RegionSize)
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
    return total;
}

} // namespace kit
