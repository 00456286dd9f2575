// The activity log: one time-stamped line with the current address per call.
#include "watch/action_log.h"

#include <windows.h>

#include <strsafe.h>

#include "agent/scoped_handles.h"
#include "settings/runtime_options.h"
#include "watch/address_lookup.h"

namespace {

constexpr wchar_t kLogName[] = L"appAction.log";

// "appAction.log" in the folder of the program file. Started from the Run entry the agent's
// current directory is the system's, which a standard user cannot write and nobody looks
// in. The wide path, so a folder named outside the ANSI code page still works. False when
// the whole path does not fit.
bool LogPath(wchar_t (&path)[MAX_PATH])
{
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return false;
    while (n > 0 && path[n - 1] != L'\\' && path[n - 1] != L'/')
        --n;
    path[n] = L'\0';
    return n > 0 && SUCCEEDED(StringCchCatW(path, MAX_PATH, kLogName));
}

} // namespace

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
    // A log that cannot be written, or whose path does not fit, loses the line silently.
    // Append access only: the system puts every write at the end as one step, so two agents
    // (two sessions, or several users of one copy) cannot land on the same end and overwrite
    // each other's lines, as a seek followed by a write can.
    wchar_t path[MAX_PATH];
    if (!LogPath(path))
        return 1;
    const KernelHandle file(CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    if (file.Valid())
        WriteFile(file.Get(), line, static_cast<DWORD>(length), &written, nullptr);
    return 1;
}
