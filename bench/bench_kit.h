// What the benchmark needs of the bench that scripts/bench-shell.sh sets up: the resolver's
// answer (the bench's hosts file), the lock recorder's file, the agent's registry values,
// a scratch folder, message pumping, and this process's GUI objects and private bytes.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace kit {

std::string Env(const char* name, const char* fallback);

// Makes the resolver answer the computer name with this one address. The file is rewritten
// in place, never replaced, because it is bind-mounted over /etc/hosts.
bool SetResolverAnswer(const char* address);

// Deletes the agent's private registry key and its Run value.
void ClearRegistry();

// The lock recorder's starts, as GetTickCount() values.
void ClearLockRecord();
std::vector<DWORD> LockTicks();
// Pumps messages until at least count locks are recorded; false after timeoutMs.
bool WaitForLocks(size_t count, DWORD timeoutMs);

// Dispatches this thread's messages for the given time (0: what is queued now).
void PumpMessages(DWORD ms);

// This program's own module plays Korvane.exe (it carries the same resources).
void UseOwnModuleAsAgent();

// A fresh folder, the current directory while it lives; the agent writes its log there.
class ScratchDir {
  public:
    explicit ScratchDir(const char* name);
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& Path() const { return path_; }

  private:
    std::string path_;
    char previous_[MAX_PATH];
};

// GDI and USER objects of this process. Wine's GetGuiResources answers 0, so there the
// handle tables are probed instead (how says which).
struct GuiObjects {
    DWORD gdi = 0;
    DWORD user = 0;
    const char* how = "";
};
GuiObjects CountGuiObjects();

// Committed private memory: PrivateUsage where the system reports it, else (Wine answers 0)
// the sum of this process's committed private regions.
SIZE_T PrivateBytes();

} // namespace kit
