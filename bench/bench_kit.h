// What only the benchmark needs of the bench, beside the tests' kit: the lock recorder's
// starts as ticks, a scratch folder, and this process's GUI objects and private bytes.
#pragma once
#include <vector>

#include "tests/kit.h"

namespace kit {

// The lock recorder's starts, as GetTickCount() values.
std::vector<DWORD> LockTicks();
// Pumps messages until at least count locks are recorded; false after timeoutMs.
bool WaitForLocks(size_t count, DWORD timeoutMs);

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
