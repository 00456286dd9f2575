#include "tests/kit.h"

#include <algorithm>

#include "agent/agent.h"
#include "settings/common_reg.h"
#include "ui/res/resource.h"

namespace kit {

std::string ReadWholeFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    std::string text;
    char buffer[4096];
    DWORD n = 0;
    while (ReadFile(file, buffer, sizeof buffer, &n, nullptr) && n > 0)
        text.append(buffer, n);
    CloseHandle(file);
    return text;
}

std::string LockRecordPath()
{
    return Env("KORVANE_LOCK_RECORD", "C:\\korvane-locks.txt");
}

std::string Env(const char* name, const char* fallback)
{
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return (n > 0 && n < sizeof value) ? std::string(value, n) : std::string(fallback);
}

bool SetResolverAnswer(std::initializer_list<const char*> addresses)
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    std::string text = "127.0.0.1\tlocalhost\n";
    for (const char* address : addresses)
        text += std::string(address) + "\t" + name + "\n";
    // TRUNCATE_EXISTING keeps the file (and so the bind mount on it).
    HANDLE file = CreateFileA((Env("KORVANE_BENCH_DIR", "C:\\") + "\\hosts").c_str(), GENERIC_WRITE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, TRUNCATE_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

bool RunOnHost(const std::string& command)
{
    // Wine starts a Unix program named by its path on Z: but gives no process to wait for,
    // so the command leaves its exit code in a file, renamed into place when whole.
    const std::string done = Env("KORVANE_BENCH_DIR", "C:") + "\\host.rc";
    std::string unixDone = done.substr(2);
    std::replace(unixDone.begin(), unixDone.end(), '\\', '/');
    DeleteFileA(done.c_str());
    Process shell;
    if (!shell.Start("Z:\\bin\\sh -c \"" + command + "; echo $? >" + unixDone + ".new; mv " +
                     unixDone + ".new " + unixDone + "\""))
        return false;
    PumpUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; });
    return ReadWholeFile(done) == "0\n";
}

void ClearRegistry()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    HKEY run;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kRunKey, 0, KEY_SET_VALUE, &run) == ERROR_SUCCESS) {
        RegDeleteValueA(run, kRunValueName);
        RegCloseKey(run);
    }
}

void ClearLockRecord()
{
    DeleteFileA(LockRecordPath().c_str());
}

void PumpMessages(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - start >= ms)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

bool Process::Start(std::string commandLine, const char* currentDir)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    return CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, currentDir,
                          &si, &info) != 0;
}

DWORD Process::Wait(DWORD timeoutMs) const
{
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(info.hProcess, timeoutMs);
    GetExitCodeProcess(info.hProcess, &code);
    return code;
}

Process::~Process()
{
    if (!info.hProcess)
        return;
    if (Wait(0) == STILL_ACTIVE)
        TerminateProcess(info.hProcess, 255);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
}

std::string AgentExe()
{
    return Env("KORVANE_EXE", "Korvane.exe");
}

HWND AgentWindow(DWORD pid, DWORD timeoutMs)
{
    HWND found = nullptr;
    PumpUntil(
        [&] {
            for (found = FindWindowExA(nullptr, nullptr, "12", nullptr); found;
                 found = FindWindowExA(nullptr, found, "12", nullptr)) {
                DWORD owner = 0;
                GetWindowThreadProcessId(found, &owner);
                if (!pid || owner == pid)
                    return true;
            }
            return false;
        },
        timeoutMs);
    return found;
}

void UseOwnModuleAsAgent()
{
    static bool registered = false;
    g_hInstance = GetModuleHandleA(nullptr);
    LoadStringA(g_hInstance, IDS_WINDOW_CLASS, g_windowClass, sizeof g_windowClass);
    if (!registered)
        registered = RegisterAgentClass() != 0;
}

} // namespace kit
