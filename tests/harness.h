// The test harness: the bench's resolver and lock recorder (tests/kit.h), the registry as
// stored, the real Korvane.exe as a child, and modal loops answered on the test's own thread.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <utility>

#include "tests/kit.h"

namespace bench {

using namespace kit; // the bench, as the tests see it

inline void SetResolverAnswer(std::initializer_list<const char*> addresses)
{
    ASSERT_TRUE(kit::SetResolverAnswer(addresses));
}

// Locks recorded once the expected number came (or ten seconds passed) and no lock runs.
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

// What the user does at a modal loop, keys going through the loop as a user's would: Click a
// control (Refused when the user could not), Select a list row, send the owner a Command, Press
// a button by its command, Type into the code box and press id, Look at the Setting dialog.
enum class Do { Enter, Escape, Click, Select, Command, Press, Type, Look, EndMenu };
// A step answers the next modal loop with this caption (a box's: the whole caption, a
// dialog's: its start, a menu's: "menu"); first() runs before it acts.
struct Step {
    const char* caption;
    Do act;
    int id = 0;
    const char* text = "";
    void (*first)() = nullptr;
};

// What the user met, in order, typed as Wine's tests list messages: a dialog, a box (MB_ buttons,
// MB_DEFBUTTONn for a choice), the tray menu (grayed commands, default first), a loop
// nobody answered (Forced), a click the user could not make, a look at the Setting dialog.
enum class Kind { Dialog, Box, Menu, Forced, Refused, Looked };
// How it showed: a box nothing met owns, a box over another, a dialog not centred, a dialog
// opened with the focus in its code box.
constexpr unsigned kUnowned = 1, kOverBox = 2, kOffCentre = 4, kTyping = 8;
struct Met {
    Kind kind;
    std::string caption = "";
    UINT buttons = 0, how = 0;
    int control = 0;
    bool defaultFirst = false;
    std::set<int> grayed = {}, checked = {}, disabled = {};
    std::vector<std::string> rows = {};
};
void PrintTo(const Met& met, std::ostream* out); // both tables print on a mismatch
bool operator==(const Met& a, const Met& b);     // the same print
// clang-format off
inline Met Dialog(const char* caption, unsigned how = 0) { return {Kind::Dialog, caption, 0, how}; }
inline Met Box(const char* caption, UINT buttons, unsigned how = 0) { return {Kind::Box, caption, buttons, how}; }
inline Met TrayMenu(std::set<int> grayed, bool defaultFirst = false) { return {Kind::Menu, "", 0, 0, 0, defaultFirst, grayed}; }
inline Met Forced(const char* caption) { return {Kind::Forced, caption}; }
inline Met Refused(int control) { return {Kind::Refused, "", 0, 0, control}; }
inline Met Looked(std::set<int> checked, std::set<int> disabled, std::vector<std::string> rows)
{ return {Kind::Looked, "", 0, 0, 0, false, {}, checked, disabled, rows}; }
// clang-format on
// The question before a lock: owned by the agent, No its default.
inline const Met kQuestion = Box("Check !", MB_YESNO | MB_DEFBUTTON2);

// Plays the user at this thread's modal loops, step by step (dialogs and menus where they send
// the owner WM_ENTERIDLE, boxes once active); a loop no step answers is ended by force.
class User {
  public:
    User(HWND owner, std::vector<Step> steps);
    ~User();
    std::vector<Met> Seen() const { return seen_; }
    std::string BoxText() const { return boxText_; } // of the last message box met

  private:
    static LRESULT CALLBACK Owner(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK Activated(int code, WPARAM wParam, LPARAM lParam);
    static void CALLBACK BoxReady(HWND, UINT, UINT_PTR id, DWORD);
    void Idle(HWND modal, bool menu);
    void Meet(HWND modal, bool menu);
    void Act(HWND modal, const Step& step);
    // A box belongs to the agent window or to a dialog it opened.
    bool Owns(HWND window) const
    {
        return window &&
               (window == owner_ || std::find(met_.begin(), met_.end(), window) != met_.end());
    }
    HWND owner_;
    WNDPROC original_;
    std::vector<Step> steps_;
    std::vector<Met> seen_;
    std::string boxText_;
    std::vector<HWND> met_; // every loop met
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
