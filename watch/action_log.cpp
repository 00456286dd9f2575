// The activity log: one time-stamped line with the current address per call.
#include "watch/action_log.h"

#include <windows.h>

#include <strsafe.h>

#include "settings/runtime_options.h"
#include "watch/address_lookup.h"

int WriteActionLog()
{
    if (g_recordLog != 1)
        return 1;

    SYSTEMTIME now;
    GetLocalTime(&now);
    char line[256] = {};
    if (FAILED(StringCchPrintfA(line, sizeof line, "%04d/%02d/%02d %02d:%02d:%02d IP:%s\n",
                                now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
                                now.wSecond, g_currentAddress)))
        return 1;
    int length = lstrlenA(line);

    // Opened and closed for every line, shared, so others may read the log meanwhile.
    // A log that cannot be written loses the line silently.
    HANDLE file = CreateFileA("appAction.log", GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    SetFilePointer(file, 0, nullptr, FILE_END);
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
    return 1;
}
