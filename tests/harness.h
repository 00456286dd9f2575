// The test harness: the bench's resolver and lock recorder (tests/kit.h), the registry as
// stored, the real Korvane.exe as a child, and modal loops answered on the test's own thread.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

// The product's modules, as every test drives them.
#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/common_reg.h"
#include "settings/policy.h"
#include "settings/runtime_options.h"
#include "settings/trusted_entry.h"
#include "settings/trusted_list.h"
#include "tests/kit.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"
#include "ui/tray_menu.h"
#include "watch/action_log.h"
#include "watch/address_lookup.h"
#include "watch/change_watch.h"
#include "watch/check_cycle.h"
#include "watch/workstation_lock.h"

namespace bench {

using namespace kit; // the bench, as the tests see it

inline void SetResolverAnswer(std::initializer_list<const char*> addresses)
{
    ASSERT_TRUE(kit::SetResolverAnswer(addresses));
}

// Locks recorded once the expected number has come (or ten seconds have passed) and every
// started lock process has ended.
int Locks(int expected);
std::string LockRecord();
void ClearLocks();

// The agent's values as stored, planted and read with the registry API itself. A planted
// value is followed by a non-zero byte, so the system cannot lend it a terminator.
void Plant(const char* name, DWORD type, const std::string& bytes, const char* key = nullptr,
           HKEY root = HKEY_CURRENT_USER);
// A policy as Group Policy writes it: switches held in the computer's key, trusted networks
// named 1, 2, ... alternately in the user's key and the computer's. Read at the next load.
struct Held {
    const char* name;
    DWORD value;
};
void PlantPolicy(const std::vector<Held>& held, const std::vector<const char*>& networks = {});
std::string Stored(const char* name, const char* key = nullptr); // "-" when absent
std::string Dword(DWORD value);

bool TrayIconExists(HWND hwnd);

// Plays the user at every modal loop of this thread: dialogs and menus are met where their
// loop tells the owner WM_ENTERIDLE, message boxes as they become active. A step answers one
// whose caption (a menu's: "menu", its item count, a "g" per grayed item, "d" default first)
// starts with its own, a message box's caption only when equal to it; "Seen" lists every
// caption met: a message box's with its buttons ("{YN*}": Yes, No, the default starred) and
// "^" before it when neither the agent window nor a dialog met owns it, "+" when another box
// met is still open; "!" marks one ended by
// force as no step answered it, "~" a dialog that was not centred on the screen, "*" after one
// that opened with the keyboard focus in its code box, "x" a click on a
// control the user could not click (disabled or hidden). A step's action: "enter" and "esc" press
// those keys, "click N" clicks control N, "select N" selects entry N of the trusted list, "command
// N" sends the owner command N, "" ends a menu, "TEXT:N" types TEXT into the code box and presses
// button N, "look" adds to Seen the Setting boxes' and buttons' states (" 1" checked, "-"
// disabled) and the list's rows (",ROW"). A step's first(), when given, runs before its action,
// while the loop waits.
struct Step {
    const char* caption;
    std::string what;
    void (*first)() = nullptr;
};
class User {
  public:
    User(HWND owner, std::vector<Step> steps);
    ~User();
    std::string Seen() const { return seen_; }
    std::string BoxText() const { return boxText_; } // of the last message box met

  private:
    static LRESULT CALLBACK Owner(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Activated(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK BoxReady(HWND, UINT, UINT_PTR id, DWORD);
    void Idle(HWND modal, bool menu);
    void Act(HWND modal, const std::string& what);
    // A box belongs to the agent window or to a dialog it opened.
    bool Owns(HWND window) const
    {
        return window &&
               (window == owner_ || std::find(met_.begin(), met_.end(), window) != met_.end());
    }
    HWND owner_;
    WNDPROC original_;
    std::vector<Step> steps_;
    std::string seen_, boxText_;
    std::vector<HWND> met_;
    int idle_ = 0;
    HHOOK hook_;
    HWND box_ = nullptr; // the message box last activated
};
// The slot, made writable, of this program's own import of function from dll.
void** ImportSlot(const char* dll, const char* function);

// The in-process agent: this test program plays Korvane.exe (it carries the same
// resources). Every test starts from a clean registry and lock record, the resolver knowing
// no address, every switch off and the pass code "8306".
class Agent : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    // Creates the agent window at this address (its first cycle runs); its timer is
    // stopped so that the test alone runs the cycles.
    void StartAt(std::initializer_list<const char*> answer);
    void Cycle(std::initializer_list<const char*> answer);
    HWND hwnd_ = nullptr;
};

} // namespace bench
