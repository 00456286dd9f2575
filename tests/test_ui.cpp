// The tray commands, the menu and the Setting dialog in-process, answered as a user would
// at each modal loop, against the real registry and the lock recorder.
#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/common_reg.h"
#include "settings/runtime_options.h"
#include "tests/harness.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"
#include "watch/check_cycle.h"

namespace {

using bench::Step;

class Ui : public bench::Agent {};

TEST_F(Ui, EachCommandOpensWhatItMayOnceAndOnlyTheRightCodeGetsThrough)
{
    const UINT command = WM_COMMAND, tray = WM_TRAYNOTIFY;
    const LPARAM dblclk = WM_LBUTTONDBLCLK, rbutton = WM_RBUTTONUP;
    const Step code = {"PassCode", "8306:1"}, cancel = {"Setting", ":2"}, ok = {"Version", ":1"};
    // Easy PC Lock, Quick Lock, a verdict left over, the message (a command or a tray click)
    // and its parameter, how the user answers, what showed, locks, whether the agent runs on
    const struct {
        int computerLock, quickClick, passOk;
        UINT message;
        LPARAM param;
        std::vector<Step> steps;
        const char* seen;
        int locks;
        bool alive;
    } rows[] = {
        // clang-format off
        {0, 0, 0, command, CMD_SETTING, {{"PassCode", "1234:1"}}, "PassCode", 0, true},
        {0, 0, 0, command, CMD_SETTING, {{"PassCode", "08306:1"}}, "PassCode", 0, true},
        {0, 0, 0, command, CMD_SETTING, {{"PassCode", "8306:2"}}, "PassCode", 0, true},
        {0, 0, 0, command, CMD_SETTING, {{"PassCode", "command 2"}, code, cancel},
         "PassCode|Setting", 0, true},
        {0, 0, 0, command, CMD_SETTING, {code, {"Setting", "command 2"}, code, cancel},
         "PassCode|Setting|PassCode", 0, true},
        {0, 0, 1, command, CMD_SETTING, {{"PassCode", "command 5"}, {"PassCode", "1234:1"}},
         "PassCode", 0, true},
        {0, 0, 0, command, CMD_EXIT, {{"PassCode", "8306:2"}}, "PassCode", 0, true},
        {0, 0, 0, command, CMD_EXIT, {code}, "PassCode", 0, false},
        {0, 0, 0, command, CMD_ABOUT, {{"Version", "command 3"}, ok}, "Version Info", 0, true},
        {0, 0, 0, command, CMD_COMPUTER_LOCK, {}, "", 0, true},
        {1, 0, 0, command, CMD_COMPUTER_LOCK, {}, "", 1, true},
        {1, 0, 0, tray, dblclk, {ok}, "Version Info", 0, true},
        {0, 1, 0, tray, dblclk, {}, "", 0, true},
        {1, 1, 0, tray, dblclk, {}, "", 1, true},
        {0, 0, 0, tray, rbutton, {{"menu", ""}}, "menu6g", 0, true},
        {1, 1, 0, tray, rbutton, {{"menu", ""}}, "menu6d", 0, true},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        g_computerLock = row.computerLock;
        g_quickClick = row.quickClick;
        g_passOk = row.passOk;
        StartAt({});
        {
            bench::User user(hwnd_, row.steps);
            SendMessageA(hwnd_, row.message, row.message == tray ? kTrayIconId : row.param,
                         row.message == tray ? row.param : 0);
            EXPECT_EQ(row.seen, user.Seen());
        }
        EXPECT_EQ(row.locks, bench::Locks(row.locks));
        EXPECT_EQ(row.alive, IsWindow(hwnd_) != FALSE);
        EXPECT_EQ(0, g_passCodeDlgOpen + g_settingDlgOpen + g_aboutDlgOpen);
        TearDown();
        SetUp();
    }
}

// Asked to close (a sign-out, or the installer as Restart Manager asks), the agent agrees and
// ends only when the session really ends: window and icon gone, a quit posted.
TEST_F(Ui, ItAgreesToCloseAndEndsOnlyWhenTheSessionEnds)
{
    for (WPARAM ending : {FALSE, TRUE}) {
        StartAt({});
        EXPECT_EQ(TRUE, SendMessageA(hwnd_, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
        SendMessageA(hwnd_, WM_ENDSESSION, ending, ENDSESSION_CLOSEAPP);
        MSG quit;
        EXPECT_EQ(!ending, IsWindow(hwnd_) != FALSE) << ending;
        EXPECT_EQ(!ending, bench::TrayIconExists(hwnd_)) << ending;
        EXPECT_EQ(ending != 0, PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0);
        TearDown();
        SetUp();
    }
}

// "ComputerLock QuickClick IP_list DEBUG_chk AppDirectory IPList_1..3 Run", "-" for absent.
std::string State()
{
    std::string state;
    for (const char* name : {"ComputerLock", "QuickClick", "IP_list", "DEBUG_chk", "AppDirectory",
                             "IPList_1", "IPList_2", "IPList_3"})
        state += bench::Stored(name) + " ";
    return state + (bench::Stored(kRunValueName, kRunKey) == "-" ? "-" : "run");
}

TEST_F(Ui, SettingShowsWhatIsStoredAndItsOkStoresTheBoxesTheCodeAndAListWithoutGaps)
{
    const Step add = {"Setting", "click 1003"}, ok = {"Setting", ":1"};
    const Step warned = {"Check !", "default"};
    // stored first (all switches on, code "4711", a list with a gap, a Run value), the
    // address, the user's steps, what showed, what is stored after
    const struct {
        bool stored;
        const char* address;
        std::vector<Step> steps;
        const char *seen, *state;
    } rows[] = {
        // clang-format off
        {true, "10.0.0.7", {ok}, "Setting", "1 1 1 1 4711 10.0.0.1 10.0.0.2 - run"},
        {true, "10.0.0.7", {{"Setting", "click 1012"}, ok}, "Setting",
         "0 1 1 1 4711 10.0.0.1 10.0.0.2 - run"},
        {true, "10.0.0.7", {{"Setting", "select 0"}, {"Setting", "click 1002"}, add, add,
                            {"Setting", "20240:1"}},
         "Setting", "1 1 1 1 20240 10.0.0.2 10.0.0.7 - run"},
        {true, "10.0.0.7", {{"Setting", "click 1009"}, add, {"Setting", "20240:2"}}, "Setting",
         "1 1 1 0 4711 10.0.0.1 10.0.0.2 - run"},
        {false, nullptr, {add, ok}, "Setting", "0 0 0 - 8306 - - - -"},
        {false, "10.0.0.7", {{"Setting", "123:1"}, warned,
                             {"Setting", "123456789012345678901234:1"}, warned,
                             {"Setting", "12345678901234567890123:1"}},
         "Setting|Check !|Check !", "0 0 0 - 12345678901234567890123 - - - -"},
        // clang-format on
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        if (row.stored) {
            for (const char* name : {"ComputerLock", "QuickClick", "IP_list", "DEBUG_chk"})
                bench::Plant(name, REG_DWORD, bench::Dword(1));
            for (std::string slot : {"1", "2", "4"}) // 4 is behind a gap: not listed
                bench::Plant(("IPList_" + slot).c_str(), REG_SZ, "10.0.0." + slot);
            bench::Plant(kRunValueName, REG_SZ, "C:\\elsewhere\\Korvane.exe", kRunKey);
            bench::Plant("AppDirectory", REG_SZ, "4711");
            lstrcpyA(g_passCode, "4711");
        }
        StartAt({});
        row.address ? bench::SetResolverAnswer({row.address}) : bench::SetResolverAnswer({});
        {
            bench::User user(hwnd_, row.steps);
            DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SETTING), hwnd_, SettingDlgProc, 0);
            EXPECT_EQ(row.seen, user.Seen());
        }
        EXPECT_EQ(row.state, State());
        EXPECT_EQ(bench::Stored("AppDirectory"), g_passCode);
        TearDown();
        SetUp();
    }
}

} // namespace
