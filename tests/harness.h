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

// The agent's values as stored, planted and read with the registry API itself. A planted
// value is followed by a non-zero byte, so the system cannot lend it a terminator.
void Plant(const char* name, DWORD type, const std::string& bytes, const char* key = nullptr,
           HKEY root = HKEY_CURRENT_USER);
// A policy as Group Policy writes it: switches held in the computer's key, trusted networks
// named 1, 2, ... alternately in the user's key and the computer's. Read at the next load.
using Held = std::pair<const char*, DWORD>; // a value's name and number
void PlantPolicy(const std::vector<Held>& held, const std::vector<const char*>& networks = {});
std::string Stored(const char* name, const char* key = nullptr); // "-" when absent
std::string Dword(DWORD value);

bool TrayIconExists(HWND hwnd);

// Plays the user at every modal loop of this thread: dialogs and menus where their loop sends
// the owner WM_ENTERIDLE, message boxes once active. A step answers the first one whose caption
// starts with its own (a box's: equals it; a menu's: "menu", its item count, "g" a grayed item,
// "d" the first the default). Seen() lists every one met: a box with its buttons ("{YN*}", the
// default starred), "^" before it when nobody met owns it, "+" when another box is open; "!"
// one ended by force, "~" a dialog not centred, "*" after one opened with the focus in its code
// box, "x" a click on a control the user could not click. Actions: "enter", "esc", "click N",
// "select N" (a trusted list row), "command N" (to the owner), "" (ends a menu), "TEXT:N" (TEXT
// typed into the code box, then button N), "look" (Setting's boxes and list buttons, " 1"
// checked, "-" disabled, then its rows, ",ROW"). A step's first() runs before its action.
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

// The in-process agent, this program with Korvane.exe's resources. Every test starts from a
// clean registry and lock record, no address, every switch off and the pass code "8306".
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
