#include "tests/kit.h"

#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace kit {

std::string ReadWholeFile(const std::string& path)
{
    // The runtime opens it shared for reading and writing, as its writers open it.
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

bool SetResolverAnswer(std::initializer_list<const char*> addresses)
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    // Truncated and rewritten in place: the bind mount stays on the file.
    std::ofstream hosts(Env("KORVANE_BENCH_DIR", "C:\\") + "\\hosts", std::ios::binary);
    std::string text = "127.0.0.1\tlocalhost\n";
    for (const char* address : addresses)
        text += std::string(address) + "\t" + name + "\n";
    return static_cast<bool>(hosts << text << std::flush);
}

int RunOnHost(const std::string& command)
{
    // Wine starts a Unix program by its path on Z: but gives no process to wait for: the
    // command leaves its exit code in a file, in one write.
    const std::string done = Env("KORVANE_BENCH_DIR", "C:") + "\\host.rc";
    std::string unixDone = done.substr(2);
    std::replace(unixDone.begin(), unixDone.end(), '\\', '/');
    DeleteFileA(done.c_str());
    Process shell;
    if (!shell.Start("Z:\\bin\\bash -c \"" + command + "; echo $? >" + unixDone + "\"") ||
        !PumpUntil([&] { return !ReadWholeFile(done).empty(); }))
        return -1;
    return std::atoi(ReadWholeFile(done).c_str());
}

void ClearRegistry()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsKey);
    SHDeleteValueA(HKEY_CURRENT_USER, kRunKey, kRunValueName);
    SHDeleteValueA(HKEY_CURRENT_USER, kStartupApprovedKey, kRunValueName);
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        SHDeleteKeyA(root, kPolicyKey);
}

void ResetAgent()
{
    ClearRegistry();
    ReadPolicies();
    ClearLockRecord();
    SetResolverAnswer({});
    ZeroMemory(g_currentAddress, sizeof g_currentAddress);
    g_confirmBox = g_computerLock = g_quickClick = g_recordLog = g_passOk = g_passCodeDlgOpen =
        g_settingDlgOpen = g_aboutDlgOpen = g_animFrame = g_checkCount = 0;
    lstrcpyA(g_passCode, kDefaultPassCode);
    ZeroMemory(&g_trayData, sizeof g_trayData);
    g_tipText[0] = '\0';
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
    if (info.hProcess && Wait(0) == STILL_ACTIVE)
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
    auto ofProcess = [&] {
        DWORD owner = 0;
        GetWindowThreadProcessId(found, &owner);
        return !pid || owner == pid;
    };
    PumpUntil( // the windows of the class in turn, until one is the process's
        [&] {
            while ((found = FindWindowExA(nullptr, found, "12", nullptr)) && !ofProcess()) {
            }
            return found != nullptr;
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
