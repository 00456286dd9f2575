#include "tests/bench/bench.h"

#include <cstdlib>
#include <vector>

#include "agent/agent.h"
#include "ui/res/resource.h"

namespace bench {

namespace {

std::string Env(const char* name, const char* fallback)
{
    char value[MAX_PATH];
    DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return (n > 0 && n < sizeof value) ? std::string(value, n) : std::string(fallback);
}

std::string ComputerName()
{
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    return name;
}

// TRUNCATE_EXISTING keeps the file (and so a bind mount on it); a new file would not be seen.
bool WriteWholeFile(const std::string& path, const std::string& text,
                    DWORD disposition = TRUNCATE_EXISTING)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

} // namespace

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

namespace {

struct WindowSearch {
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchAgentWindow(HWND hwnd, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    char cls[16] = {};
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == search->pid && GetClassNameA(hwnd, cls, sizeof cls) && lstrcmpA(cls, "12") == 0) {
        search->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

} // namespace

std::string Dir()
{
    return Env("KORVANE_BENCH_DIR", "C:\\");
}
std::string AgentExe()
{
    return Env("KORVANE_EXE", "Korvane.exe");
}

bool SetResolverAnswer(std::initializer_list<const char*> addresses)
{
    std::string text = "127.0.0.1\tlocalhost\n";
    for (const char* address : addresses)
        text += std::string(address) + "\t" + ComputerName() + "\n";
    return WriteWholeFile(Dir() + "\\hosts", text);
}

Process::~Process()
{
    if (info_.hProcess) {
        if (Running()) {
            TerminateProcess(info_.hProcess, 255);
            WaitForExit(5000);
        }
        CloseHandle(info_.hProcess);
        CloseHandle(info_.hThread);
    }
}

bool Process::Start(const std::string& commandLine, const char* currentDir)
{
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, currentDir,
                          &si, &info_) != 0;
}

bool Process::Running() const
{
    return !WaitForExit(0);
}

bool Process::WaitForExit(DWORD timeoutMs) const
{
    return WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0;
}

DWORD Process::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(info_.hProcess, &code);
    return code;
}

bool StartAgent(Process& agent, const char* currentDir)
{
    return agent.Start("\"" + AgentExe() + "\"", currentDir);
}

HWND WaitForAgentWindow(DWORD pid, DWORD timeoutMs)
{
    WindowSearch search = {pid, nullptr};
    PumpUntil(
        [&] {
            EnumWindows(MatchAgentWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr;
        },
        timeoutMs);
    return search.found;
}

bool TrayIconExists(HWND hwnd, UINT id)
{
    // A modify that changes nothing succeeds only for an icon the shell holds.
    NOTIFYICONDATAA data = {};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = hwnd;
    data.uID = id;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

void PumpMessages(DWORD ms)
{
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

void UseOwnModuleAsAgent()
{
    static bool registered = false;
    g_hInstance = GetModuleHandleA(nullptr);
    LoadStringA(g_hInstance, IDS_WINDOW_CLASS, g_windowClass, sizeof g_windowClass);
    if (!registered)
        registered = RegisterAgentClass() != 0;
}

void ClearRegistry()
{
    RegDeleteKeyA(HKEY_CURRENT_USER, "SOFTWARE\\Tessmark\\Korvane");
    HKEY run;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", 0,
                      KEY_ALL_ACCESS, &run) == ERROR_SUCCESS) {
        RegDeleteValueA(run, "Korvane.EXE");
        RegCloseKey(run);
    }
}

std::string LockRecordPath()
{
    return Env("KORVANE_LOCK_RECORD", "C:\\korvane-locks.txt");
}

void ClearLockRecord()
{
    DeleteFileA(LockRecordPath().c_str());
}

std::vector<LockRecord> LockRecords()
{
    std::vector<LockRecord> records;
    const std::string text = ReadWholeFile(LockRecordPath());
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = text.substr(start, end - start);
        const size_t tab1 = line.find('\t');
        const size_t tab2 = line.find('\t', tab1 + 1);
        if (tab1 == std::string::npos || tab2 == std::string::npos)
            continue;
        records.push_back({static_cast<DWORD>(std::strtoul(line.c_str(), nullptr, 10)),
                           line.substr(tab1 + 1, tab2 - tab1 - 1), line.substr(tab2 + 1)});
    }
    return records;
}

int LockCount()
{
    return static_cast<int>(LockRecords().size());
}

std::string SystemLockProgram()
{
    char dir[MAX_PATH] = {};
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\rundll32.exe";
}

BrokenLockRoutine::BrokenLockRoutine()
{
    const std::string program = SystemLockProgram();
    ok_ = MoveFileExA(program.c_str(), (program + ".saved").c_str(), MOVEFILE_REPLACE_EXISTING) &&
          WriteWholeFile(program, "this is not a program\r\n", CREATE_NEW);
}

BrokenLockRoutine::~BrokenLockRoutine()
{
    const std::string program = SystemLockProgram();
    MoveFileExA((program + ".saved").c_str(), program.c_str(), MOVEFILE_REPLACE_EXISTING);
}

bool WaitForLocks(int count, DWORD timeoutMs)
{
    return PumpUntil([&] { return LockCount() >= count; }, timeoutMs);
}

} // namespace bench
