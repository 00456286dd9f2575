// Program entry: the DLL search is narrowed, then everything happens in AgentMain.
#include "agent/agent.h"

namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryWFn = BOOL(WINAPI*)(LPCWSTR);

// The system's own libraries load more DLLs later (Winsock's helpers, the resolver, the
// shell, theming), and by default look for them in the program's folder first: a DLL
// planted beside a copy unpacked into Downloads would run inside the agent. Both functions
// are looked up at run time, as systems without the loader update lack the first and the
// oldest lack the second too.
void RestrictDllSearch()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    // Takes only the current directory out of the search: the program's folder stays first.
    auto setDirectory = reinterpret_cast<SetDllDirectoryWFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDllDirectoryW")));
    if (setDirectory)
        setDirectory(L"");
}

} // namespace

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE previous, LPSTR commandLine, int showCommand)
{
    RestrictDllSearch();
    return AgentMain(hInstance, previous, commandLine, showCommand);
}
