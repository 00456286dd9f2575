// The bench that scripts/bench-shell.sh sets up, as the tests (and the benchmark) use it: the
// product's modules, the resolver's answer (the bench's hosts file), the lock recorder's file,
// the agent's registry values and its reset, the real Korvane.exe as a child, message pumping.
#pragma once
#include <winsock2.h>
#include <windows.h>

#include <initializer_list>
#include <string>

#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/common_reg.h"
#include "settings/policy.h"
#include "settings/runtime_options.h"
#include "settings/trusted_entry.h"
#include "settings/trusted_list.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"
#include "ui/tray_menu.h"
#include "watch/action_log.h"
#include "watch/address_lookup.h"
#include "watch/change_watch.h"
#include "watch/check_cycle.h"
#include "watch/workstation_lock.h"

namespace kit {

// Makes the resolver answer the computer name with these addresses in this order (none: an
// unknown name), in the bench's hosts file, bind-mounted on /etc/hosts: rewritten in place.
bool SetResolverAnswer(std::initializer_list<const char*> addresses);

// Runs a bash command on the bench's Linux side, in its namespaces (ip moves the moving
// bench's t0), for up to ten seconds; its exit code, -1 when it did not run or end.
int RunOnHost(const std::string& command);

// A whole file; empty when it does not exist.
std::string ReadWholeFile(const std::string& path);

// Deletes the agent's private registry key, its Run value and the policies of both hives.
void ClearRegistry();
// The agent as a first start finds it (nothing stored or recorded, no address, switches off,
// the default code): every test and the soak start here, so a new global needs a line here only.
void ResetAgent();

// An environment variable the bench sets, or the fallback.
inline std::string Env(const char* name, const char* fallback)
{
    char value[MAX_PATH];
    const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
    return n > 0 && n < sizeof value ? value : fallback;
}
// The lock recorder's file (KORVANE_LOCK_RECORD, which the shell tests set): a line per start,
// the tick, a tab, the program, a tab, the command line.
inline std::string LockRecordPath()
{
    return Env("KORVANE_LOCK_RECORD", "C:\\korvane-locks.txt");
}
void ClearLockRecord();

// Dispatches this thread's messages for the given time (0: what is queued now).
void PumpMessages(DWORD ms);
// Dispatches messages until done() or timeoutMs; returns done().
template <typename Done> bool PumpUntil(Done done, DWORD timeoutMs = 10000)
{
    for (DWORD start = GetTickCount(); !done(); PumpMessages(10))
        if (GetTickCount() - start >= timeoutMs)
            return false;
    return true;
}

// A child process, ended (if still running) and closed when it goes out of scope.
struct Process {
    PROCESS_INFORMATION info = {};
    Process() = default;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    bool Start(std::string commandLine, const char* currentDir = nullptr);
    DWORD Wait(DWORD timeoutMs) const; // the exit code, STILL_ACTIVE while it runs
    ~Process();
};
// The Korvane.exe under test.
std::string AgentExe();
// The agent window (class "12") of process pid (0: of any), or nullptr after timeoutMs.
HWND AgentWindow(DWORD pid, DWORD timeoutMs = 10000);

// This program's own module plays Korvane.exe (it carries the same resources).
void UseOwnModuleAsAgent();

} // namespace kit
