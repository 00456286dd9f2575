// Planted beside a copy of Korvane.exe under the name of a DLL the system loads late: once
// loaded it leaves "<its own path>.loaded" (a Unicode path, wherever it lies) and refuses to
// stay, so the agent goes on.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    wchar_t path[MAX_PATH + 8];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (reason == DLL_PROCESS_ATTACH && n > 0 && n < MAX_PATH)
        CloseHandle(CreateFileW(lstrcatW(path, L".loaded"), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, 0, nullptr));
    return reason != DLL_PROCESS_ATTACH;
}
