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

using bench::Click;
using bench::Command;
using bench::Press;
using bench::Step;

class Ui : public bench::Agent {};

TEST_F(Ui, EachCommandOpensWhatItMayOnceAndOnlyTheRightCodeGetsThrough)
{
    const LPARAM dblclk = WM_LBUTTONDBLCLK, rbutton = WM_RBUTTONUP;
    const Step cancel = {"Setting", Press, ":2"}, ok = {"Version Info", Press, ":1"};
    // Easy PC Lock, Quick Lock, a verdict left over, the message (a command or a tray click),
    // how the user answers, what showed, locks, whether the agent runs on
    const struct {
        int computerLock, quickClick, passOk;
        UINT message;
        LPARAM param;
        std::vector<Step> steps;
        const char* seen;
        int locks;
        bool alive;
    } rows[] = {
        {0, 0, 0, WM_COMMAND, CMD_SETTING, {{"PassCode", Press, "1234:1"}}, "PassCode", 0, true},
        {0, 0, 0, WM_COMMAND, CMD_SETTING, {{"PassCode", Press, "08306:1"}}, "PassCode", 0, true},
        {0, 0, 0, WM_COMMAND, CMD_SETTING, {{"PassCode", Press, "8306:2"}}, "PassCode", 0, true},
        {0,
         0,
         0,
         WM_COMMAND,
         CMD_SETTING,
         {{"PassCode", Command, "2"}, {"PassCode", Press, "8306:1"}, cancel},
         "PassCode|Setting",
         0,
         true},
        {0,
         0,
         0,
         WM_COMMAND,
         CMD_SETTING,
         {{"PassCode", Press, "8306:1"},
          {"Setting", Command, "2"},
          {"PassCode", Press, "8306:1"},
          cancel},
         "PassCode|Setting|PassCode",
         0,
         true},
        {0,
         0,
         1,
         WM_COMMAND,
         CMD_SETTING,
         {{"PassCode", Command, "5"}, {"PassCode", Press, "1234:1"}},
         "PassCode",
         0,
         true},
        {0, 0, 1, WM_COMMAND, CMD_EXIT, {{"PassCode", Press, ":2"}}, "PassCode", 0, true},
        {0, 0, 0, WM_COMMAND, CMD_EXIT, {{"PassCode", Press, "8306:1"}}, "PassCode", 0, false},
        {0, 0, 0, WM_COMMAND, CMD_ABOUT, {{"Version", Command, "3"}, ok}, "Version Info", 0, true},
        {0, 0, 0, WM_COMMAND, CMD_COMPUTER_LOCK, {}, "", 0, true},
        {1, 0, 0, WM_COMMAND, CMD_COMPUTER_LOCK, {}, "", 1, true},
        {1, 1, 0, WM_COMMAND, 1, {}, "", 0, true}, // a separator's identifier
        {1, 0, 0, WM_TRAYNOTIFY, dblclk, {ok}, "Version Info", 0, true},
        {0, 1, 0, WM_TRAYNOTIFY, dblclk, {}, "", 0, true},
        {1, 1, 0, WM_TRAYNOTIFY, dblclk, {}, "", 1, true},
        {0, 0, 0, WM_TRAYNOTIFY, rbutton, {{"menu", bench::EndTheMenu}}, "menu6g", 0, true},
        {1, 1, 0, WM_TRAYNOTIFY, rbutton, {{"menu", bench::EndTheMenu}}, "menu6d", 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        g_computerLock = row.computerLock;
        g_quickClick = row.quickClick;
        g_passOk = row.passOk;
        StartAt({});
        {
            bench::User user(hwnd_, row.steps);
            if (row.message == WM_COMMAND)
                SendMessageA(hwnd_, WM_COMMAND, row.param, 0);
            else
                SendMessageA(hwnd_, WM_TRAYNOTIFY, kTrayIconId, row.param);
            EXPECT_EQ(row.seen, user.Seen());
        }
        EXPECT_EQ(row.locks, bench::Locks(row.locks));
        EXPECT_EQ(row.alive, IsWindow(hwnd_) != FALSE);
        EXPECT_EQ(0, g_passCodeDlgOpen + g_settingDlgOpen + g_aboutDlgOpen);
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

void Select(HWND dialog, const char* index)
{
    SendDlgItemMessageA(dialog, IDC_TRUSTED_LIST, LB_SETCURSEL, std::atoi(index), 0);
}

TEST_F(Ui, SettingShowsWhatIsStoredAndItsOkStoresTheBoxesTheCodeAndAListWithoutGaps)
{
    const char *add = "1003", *del = "1002", *debug = "1009", *easy = "1012";
    const char* full = "1 1 1 1 4711 10.0.0.1 10.0.0.2 - run";
    // stored first (all switches on, code, list, Run value), the address, the user's steps,
    // what showed, what is stored after
    const struct {
        bool stored;
        const char* address;
        std::vector<Step> steps;
        const char* seen;
        const char* state;
    } rows[] = {
        {true, "10.0.0.7", {{"Setting", Press, ":1"}}, "Setting", full},
        {true,
         "10.0.0.7",
         {{"Setting", Click, easy}, {"Setting", Press, ":1"}},
         "Setting",
         "0 1 1 1 4711 10.0.0.1 10.0.0.2 - run"},
        {true,
         "10.0.0.7",
         {{"Setting", Select, "0"},
          {"Setting", Click, del},
          {"Setting", Click, add},
          {"Setting", Click, add},
          {"Setting", Press, "20240:1"}},
         "Setting",
         "1 1 1 1 20240 10.0.0.2 10.0.0.7 - run"},
        {true,
         "10.0.0.7",
         {{"Setting", Click, debug}, {"Setting", Click, add}, {"Setting", Press, "20240:2"}},
         "Setting",
         "1 1 1 0 4711 10.0.0.1 10.0.0.2 - run"},
        {false,
         nullptr,
         {{"Setting", Click, add}, {"Setting", Press, ":1"}},
         "Setting",
         "0 0 0 - 8306 - - - -"},
        {false,
         "10.0.0.7",
         {{"Setting", Press, "123:1"},
          {"Check !", bench::PressDefault},
          {"Setting", Press, "123456789012345678901234:1"},
          {"Check !", bench::PressDefault},
          {"Setting", Press, "12345678901234567890123:1"}},
         "Setting|Check !|Check !",
         "0 0 0 - 12345678901234567890123 - - - -"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        if (row.stored) {
            for (const char* name : {"ComputerLock", "QuickClick", "IP_list", "DEBUG_chk"})
                bench::Plant(name, REG_DWORD, bench::Dword(1));
            bench::Plant("IPList_1", REG_SZ, "10.0.0.1");
            bench::Plant("IPList_2", REG_SZ, "10.0.0.2");
            bench::Plant("IPList_4", REG_SZ, "10.0.0.4"); // behind a gap: not listed
            bench::Plant(kRunValueName, REG_SZ, "C:\\elsewhere\\Korvane.exe", kRunKey);
            lstrcpyA(g_passCode, "4711");
            bench::Plant("AppDirectory", REG_SZ, "4711");
        }
        StartAt({});
        row.address ? bench::SetResolverAnswer({row.address}) : bench::SetResolverAnswer({});
        {
            bench::User user(hwnd_, row.steps);
            DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SETTING), hwnd_, SettingDlgProc, 0);
            EXPECT_EQ(row.seen, user.Seen());
        }
        EXPECT_EQ(row.state, State());
        if (bench::Stored("AppDirectory") != "-") {
            EXPECT_EQ(bench::Stored("AppDirectory"), g_passCode);
        }
        TearDown();
        SetUp();
    }
}

} // namespace
