// The test bench as the test programs see it: the resolver's answer, the real
// Korvane.exe as a child process, the tray, the lock recorder and message pumping.
// scripts/run-tests.sh runs every test program inside a private namespace whose
// /etc/hosts is the bench's hosts file, so rewriting that file moves the address.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace bench {

// The bench folder (Windows path), where the hosts file and the lock record live.
std::string Dir();
// The Korvane.exe under test.
std::string AgentExe();

// Makes the resolver answer the computer name with these addresses, in this order;
// none at all makes the name unknown. The file is rewritten in place, never replaced,
// because it is bind-mounted over /etc/hosts.
bool SetResolverAnswer(std::initializer_list<const char*> addresses);

// A child process, closed and (if still running) ended when it goes out of scope.
class Process {
  public:
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    bool Start(const std::string& commandLine, const char* currentDir = nullptr);
    bool Running() const;
    // Waits for the end; true when it ended within the time.
    bool WaitForExit(DWORD timeoutMs) const;
    DWORD ExitCode() const;
    DWORD Id() const { return info_.dwProcessId; }

  private:
    PROCESS_INFORMATION info_ = {};
};

// Starts the real Korvane.exe, in currentDir when given.
bool StartAgent(Process& agent, const char* currentDir = nullptr);
// The agent window (class "12") of process pid, or nullptr after timeoutMs.
HWND WaitForAgentWindow(DWORD pid, DWORD timeoutMs);

// Whether the notification area holds the icon (hwnd, id). Changes nothing.
bool TrayIconExists(HWND hwnd, UINT id = 2);

// Dispatches this thread's messages for the given time.
void PumpMessages(DWORD ms);
// Dispatches messages until done() is true or timeoutMs passed; returns done().
template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        PumpMessages(20);
    }
    return true;
}

// In-process agent: this test program's own module plays Korvane.exe (it carries the
// same resources). Sets g_hInstance and the class name and registers the class once.
void UseOwnModuleAsAgent();

// Deletes the agent's private registry key and its Run value.
void ClearRegistry();

// The lock recorder's file: one line per started lock process.
struct LockRecord {
    DWORD tick;          // GetTickCount() when the lock process started
    std::string program; // the module that ran
    std::string commandLine;
};
std::string LockRecordPath();
void ClearLockRecord();
int LockCount();
std::vector<LockRecord> LockRecords();
// Waits (pumping messages) until at least count locks are recorded.
bool WaitForLocks(int count, DWORD timeoutMs);

// The system's rundll32.exe (the recorder on the bench), by absolute path.
std::string SystemLockProgram();

// While it lives, the system's rundll32.exe is a file that is no program at all, so
// starting the lock routine fails.
class BrokenLockRoutine {
  public:
    BrokenLockRoutine();
    ~BrokenLockRoutine();
    BrokenLockRoutine(const BrokenLockRoutine&) = delete;
    BrokenLockRoutine& operator=(const BrokenLockRoutine&) = delete;
    bool Ok() const { return ok_; }

  private:
    bool ok_;
};

// Reads a whole file; empty when it does not exist.
std::string ReadWholeFile(const std::string& path);

} // namespace bench
