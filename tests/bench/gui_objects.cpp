#include "tests/bench/gui_objects.h"

namespace bench {

namespace {

// Wine's USER handles: the low word is 0x20 + 2 × table index; a high word of 0 stands
// for any generation, and GDI handles likewise take the low word as the table index.
constexpr UINT_PTR kFirstUserHandle = 0x20;
constexpr UINT_PTR kLastUserHandle = 0xffef;
constexpr UINT_PTR kGdiHandleCount = 0x10000;

// Not in the SDK headers, exported by user32 on Windows and Wine alike: non-null exactly
// for a live icon or cursor of this process.
using CursorFrameInfoFn = HCURSOR(WINAPI*)(HCURSOR, DWORD, DWORD, DWORD*, DWORD*);

// A function of a system library by name; null when the library lacks it.
template <typename Fn> Fn Function(HMODULE module, const char* name)
{
    // Through void (*)(): the one conversion GCC accepts between unrelated function types.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

DWORD ProbeGdi()
{
    DWORD count = 0;
    for (UINT_PTR index = 0; index < kGdiHandleCount; ++index)
        if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0)
            ++count;
    return count;
}

DWORD ProbeUser(std::string& how)
{
    const auto frameInfo =
        Function<CursorFrameInfoFn>(GetModuleHandleA("user32.dll"), "GetCursorFrameInfo");
    const DWORD self = GetCurrentProcessId();
    DWORD windows = 0, menus = 0, icons = 0;
    for (UINT_PTR value = kFirstUserHandle; value <= kLastUserHandle; value += 2) {
        HWND hwnd = reinterpret_cast<HWND>(value);
        DWORD pid = 0;
        if (IsWindow(hwnd) && GetWindowThreadProcessId(hwnd, &pid) && pid == self)
            ++windows;
        else if (IsMenu(reinterpret_cast<HMENU>(value)))
            ++menus;
        else if (frameInfo) {
            DWORD rate = 0, steps = 0;
            if (frameInfo(reinterpret_cast<HCURSOR>(value), 0, 0, &rate, &steps))
                ++icons;
        }
    }
    how = "probed handle tables: GDI by GetObjectType; USER = " + std::to_string(windows) +
          " windows + " + std::to_string(menus) + " menus + " + std::to_string(icons) +
          (frameInfo ? " icons/cursors" : " (icons not countable)");
    return windows + menus + icons;
}

SIZE_T CommittedPrivateRegions()
{
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (auto* address = static_cast<const char*>(nullptr);
         VirtualQuery(address, &info, sizeof info) == sizeof info;
         address = static_cast<const char*>(info.BaseAddress) + info.RegionSize) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE)
            total += info.RegionSize;
        if (info.RegionSize == 0)
            break;
    }
    return total;
}

// PROCESS_MEMORY_COUNTERS_EX, taken from psapi at run time: the test programs do not
// link psapi.
struct MemoryCounters {
    DWORD cb;
    DWORD pageFaultCount;
    SIZE_T peakWorkingSetSize;
    SIZE_T workingSetSize;
    SIZE_T quotaPeakPagedPoolUsage;
    SIZE_T quotaPagedPoolUsage;
    SIZE_T quotaPeakNonPagedPoolUsage;
    SIZE_T quotaNonPagedPoolUsage;
    SIZE_T pagefileUsage;
    SIZE_T peakPagefileUsage;
    SIZE_T privateUsage;
};
using MemoryInfoFn = BOOL(WINAPI*)(HANDLE, MemoryCounters*, DWORD);

SIZE_T ReportedPrivateUsage()
{
    HMODULE psapi = LoadLibraryA("psapi.dll");
    if (!psapi)
        return 0;
    const auto memoryInfo = Function<MemoryInfoFn>(psapi, "GetProcessMemoryInfo");
    MemoryCounters counters = {};
    counters.cb = sizeof counters;
    SIZE_T result = 0;
    if (memoryInfo && memoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        result = counters.privateUsage;
    FreeLibrary(psapi);
    return result;
}

} // namespace

GuiObjects CountGuiObjects()
{
    GuiObjects objects;
    objects.gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    objects.user = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    if (objects.gdi != 0 && objects.user != 0) {
        objects.how = "GetGuiResources";
        return objects;
    }
    objects.gdi = ProbeGdi();
    objects.user = ProbeUser(objects.how);
    return objects;
}

SIZE_T PrivateBytes()
{
    const SIZE_T reported = ReportedPrivateUsage();
    return reported != 0 ? reported : CommittedPrivateRegions();
}

} // namespace bench
