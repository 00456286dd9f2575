// The tray commands, the menu and the Setting dialog in-process, answered as a user would
// at each modal loop, against the real registry and the lock recorder.
#include <shlwapi.h>

#include <set>

#include "tests/harness.h"
#include "agent/scoped_handles.h"

namespace {

using bench::Step;

// Easy PC Lock, Quick Lock, a verdict left over, the message (a command, a tray click, a
// session's end) and its parameter, the user's answers, what showed, locks, whether the agent
// runs on, the type "8306" is stored as (none: no code), values a policy holds
struct Command {
    int computerLock, quickClick, passOk;
    UINT message;
    LPARAM param;
    std::vector<Step> steps;
    const char* seen;
    int locks;
    bool alive;
    DWORD stored = REG_NONE;
    std::vector<bench::Held> held = {};
};
class Commands : public bench::Agent, public ::testing::WithParamInterface<Command> {};

TEST_P(Commands, EachOpensWhatItMayOnceAndOnlyTheRightCodeGetsThrough)
{
    const Command& row = GetParam();
    if (row.stored != REG_NONE)
        bench::Plant("AppDirectory", row.stored, kDefaultPassCode);
    bench::PlantPolicy(row.held);
    LoadRuntimeOptions();
    g_computerLock = row.computerLock;
    g_quickClick = row.quickClick;
    g_passOk = row.passOk;
    StartAt({});
    // Asked whether it may close (a sign-out, Restart Manager), it agrees and goes on.
    EXPECT_EQ(TRUE, SendMessageA(hwnd_, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP));
    {
        bench::User user(hwnd_, row.steps);
        const bool tray = row.message == WM_TRAYNOTIFY;
        SendMessageA(hwnd_, row.message, tray ? kTrayIconId : row.param, tray ? row.param : 0);
        EXPECT_EQ(row.seen, user.Seen());
    }
    MSG quit; // an end posts the quit that ends the message loop (before a pump takes it)
    EXPECT_EQ(!row.alive, PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0);
    EXPECT_EQ(row.locks, bench::Locks(row.locks));
    EXPECT_EQ(row.alive, IsWindow(hwnd_) != FALSE);
    EXPECT_EQ(row.alive, bench::TrayIconExists(hwnd_));
    EXPECT_EQ(0, g_passCodeDlgOpen + g_settingDlgOpen + g_aboutDlgOpen);
}

constexpr UINT kCommand = WM_COMMAND, kTray = WM_TRAYNOTIFY;
const Step code = {"PassCode", "8306:1"}, cancel = {"Setting", ":2"}, ok = {"Version", ":1"};
INSTANTIATE_TEST_SUITE_P(
    Ui, Commands,
    ::testing::ValuesIn(std::vector<Command>{
        // clang-format off
    {0, 0, 0, kCommand, CMD_SETTING, {{"PassCode", "1234:1"}}, "PassCode*", 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {{"PassCode", "08306:1"}}, "PassCode*", 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {{"PassCode", "8306:2"}}, "PassCode*", 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {{"PassCode", "command 2"}, code, cancel},
     "PassCode*|Setting", 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {code, {"Setting", "command 2"}, code, cancel},
     "PassCode*|Setting|PassCode*", 0, true},
    {0, 0, 1, kCommand, CMD_SETTING, {{"PassCode", "command 5"}, {"PassCode", "1234:1"}},
     "PassCode*", 0, true},
    {0, 0, 0, kCommand, CMD_EXIT, {{"PassCode", "8306:2"}}, "PassCode*", 0, true},
    {0, 0, 0, kCommand, CMD_EXIT, {{"PassCode", "esc"}}, "PassCode*", 0, true},
    {0, 0, 0, kCommand, CMD_EXIT, {code}, "PassCode*", 0, false},
    {0, 0, 0, kCommand, CMD_ABOUT, {{"Version", "command 3"}, ok}, "Version Info", 0, true},
    {0, 0, 0, kCommand, CMD_ABOUT, {{"Version", "esc"}}, "Version Info", 0, true},
    {0, 0, 0, kCommand, CMD_COMPUTER_LOCK, {}, "", 0, true},
    {1, 0, 0, kCommand, CMD_COMPUTER_LOCK, {}, "", 1, true},
    {1, 0, 0, kTray, WM_LBUTTONDBLCLK, {ok}, "Version Info", 0, true},
    {0, 1, 0, kTray, WM_LBUTTONDBLCLK, {}, "", 0, true},
    {1, 1, 0, kTray, WM_LBUTTONDBLCLK, {}, "", 1, true},
    {0, 0, 0, kTray, WM_RBUTTONUP, {{"menu", ""}}, "menu6g", 0, true},
    {1, 1, 0, kTray, WM_RBUTTONUP, {{"menu", ""}}, "menu6d", 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {code}, "PassCode*", 0, true, REG_BINARY},
    {0, 0, 0, kCommand, CMD_EXIT, {{"PassCode", ":1"}}, "PassCode*", 0, true, REG_BINARY},
    {0, 0, 0, WM_ENDSESSION, FALSE, {}, "", 0, true},
    {0, 0, 0, WM_ENDSESSION, TRUE, {}, "", 0, false},
    {0, 0, 0, kCommand, CMD_EXIT, {}, "", 0, true, {}, {{"AllowExit", 0}}},
    {1, 1, 0, kTray, WM_RBUTTONUP, {{"menu", ""}}, "menu6gd", 0, true, {}, {{"AllowExit", 0}}},
        // clang-format on
    }));

// stored first (all switches on, code "4711", 10.0.0.N for these N with a gap, a Run value), the
// address, the user's steps, what showed, what is stored after ("ComputerLock QuickClick IP_list
// DEBUG_chk AppDirectory IPList_1..5 Run", "-" absent), values a policy holds, its networks
struct Setting {
    const char* stored;
    const char* address;
    std::vector<Step> steps;
    const char *seen, *state;
    std::vector<bench::Held> held = {};
    std::vector<const char*> networks = {};
};
class Settings : public bench::Agent, public ::testing::WithParamInterface<Setting> {};

TEST_P(Settings, ShowWhatIsInForceAndOkStoresTheFreeBoxesTheCodeAndAListWithoutGaps)
{
    const Setting& row = GetParam();
    if (*row.stored) {
        for (const char* name : {"ComputerLock", "QuickClick", "IP_list", "DEBUG_chk"})
            bench::Plant(name, REG_DWORD, bench::Dword(1));
        for (const char* slot = row.stored; *slot; ++slot)
            if (*slot != ' ')
                bench::Plant((std::string("IPList_") + char(slot - row.stored + '1')).c_str(),
                             REG_SZ, std::string("10.0.0.") + *slot);
        bench::Plant(kRunValueName, REG_SZ, "C:\\elsewhere\\Korvane.exe", kRunKey);
        bench::Plant("AppDirectory", REG_SZ, "4711");
    }
    bench::PlantPolicy(row.held, row.networks);
    LoadRuntimeOptions(); // as the start-up does
    StartAt({});
    row.address ? bench::SetResolverAnswer({row.address}) : bench::SetResolverAnswer({});
    {
        bench::User user(hwnd_, row.steps);
        DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_SETTING), hwnd_, SettingDlgProc, 0);
        EXPECT_EQ(row.seen, user.Seen());
    }
    std::string state;
    for (const char* name : {"ComputerLock", "QuickClick", "IP_list", "DEBUG_chk", "AppDirectory",
                             "IPList_1", "IPList_2", "IPList_3", "IPList_4", "IPList_5"})
        state += bench::Stored(name) + " ";
    EXPECT_EQ(row.state, state + (bench::Stored(kRunValueName, kRunKey) == "-" ? "-" : "run"));
    EXPECT_EQ(bench::Stored("AppDirectory"), g_passCode);
}

const Step add = {"Setting", "click 1003"}, del = {"Setting", "click 1002"},
           quick = {"Setting", "click 1014"}, okay = {"Setting", ":1"},
           warned = {"Check !", "enter"}, look = {"Setting", "look"},
           // OK once the policies are gone, which the dialog learns no more of
    policyGone = {"Setting", ":1", [] {
                      SHDeleteKeyA(HKEY_LOCAL_MACHINE, kPolicyKey);
                      SendMessageA(g_trayData.hWnd, WM_SETTINGCHANGE, 0, LPARAM("Policy"));
                  }};
INSTANTIATE_TEST_SUITE_P(
    Ui, Settings,
    ::testing::ValuesIn(std::vector<Setting>{
        // clang-format off
    {"12 4", "10.0.0.7", {okay}, "Setting", "1 1 1 1 4711 10.0.0.1 10.0.0.2 - - - run"},
    {"12 4", "10.0.0.7", {{"Setting", "click 1012"}, quick, {"Setting", "click 1010"}, okay},
     "Setting|x1014", "0 1 1 1 4711 10.0.0.1 10.0.0.2 - - - -"},
    {"12 4", "10.0.0.7", {{"Setting", "select 0"}, del, add, add, {"Setting", "20240:1"}},
     "Setting", "1 1 1 1 20240 10.0.0.2 10.0.0.7 - - - run"},
    {"12 4", "10.0.0.7", {{"Setting", "click 1009"}, quick, add, {"Setting", "20240:2"}},
     "Setting", "1 0 1 0 4711 10.0.0.1 10.0.0.2 - 10.0.0.4 - run"},
    {"1234", "10.0.0.0", {add, add, okay}, "Setting|x1003",
     "1 1 1 1 4711 10.0.0.0 10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4 run"},
    {"12345", "10.0.0.7", {{"Setting", "select 4"}, del, add, okay},
     "Setting", "1 1 1 1 4711 10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4 10.0.0.7 run"},
    {"", nullptr, {add, okay}, "Setting", "0 0 0 - 8306 - - - - - -"},
    {"", "10.0.0.7", {{"Setting", "123:1"}, warned, {"Setting", "123456789012345678901234:1"},
                      warned, {"Setting", "12345678901234567890123:1"}},
     "Setting|Check !{O}|Check !{O}", "0 0 0 - 12345678901234567890123 - - - - - -"},
    {"12 4", "10.0.0.7", {{"Setting", "select 2"}, del, look, {"Setting", "click 1012"},
                          {"Setting", "click 1009"}, policyGone},
     "Setting 1- 0- 1- 0- 0- 0 0,10.0.0.1,10.0.0.2,10.20.0.0/16 (policy),bad (policy) (invalid)"
     "|x1012|x1009", "1 1 1 1 4711 10.0.0.1 10.0.0.2 - - - run",
     {{"ComputerLock", 0}, {"DEBUG_chk", 0}, {"IP_list", 0}, {"Autostart", 1}},
     {"10.20.0.0/16", "bad"}},
    {"12 4", "10.0.0.7", {look, {"Setting", "select 0"}, del, add, okay},
     "Setting 1 1 1 1 1- 0- 0-,10.9.0.0/16 (policy)|x1002|x1003",
     "1 1 1 1 4711 10.0.0.1 10.0.0.2 - 10.0.0.4 - run", {{"UserTrustedList", 0}}, {"10.9.0.0/16"}},
    {"1*34", "10.0.0.7", {add, look, okay},
     "Setting 1 1 1 1 1- 0- 0,10.0.0.* (invalid),10.0.0.1,10.0.0.3,10.0.0.4,10.0.0.7,"
     "10.9.0.0/16 (policy)", "1 1 1 1 4711 10.0.0.* 10.0.0.1 10.0.0.3 10.0.0.4 10.0.0.7 run",
     {}, {"10.9.0.0/16"}},
    {"", "10.0.0.7", {look, {"Setting", "click 1012"}, quick, okay}, "Setting 0 0 1- 0 0- 0 0-"
     "|x1014",
     "1 - 0 - 8306 - - - - - -", {{"QuickClick", 1}}},
        // clang-format on
    }));

// How the menu paints an item, read back from its pixels: the item, its state, Easy PC Lock,
// the fill and the caption's one colour (system colours; -1: the DC's own background), whether
// a policy allows Exit. Every item has its picture; a grayed Exit its own, embossed.
struct Look {
    UINT id, state;
    int computerLock, fill, text, allowExit = kNotHeld;
};
class Looks : public bench::Agent, public ::testing::WithParamInterface<Look> {};

TEST_P(Looks, AnItemIsFilledAndWrittenInItsOwnColours)
{
    const Look& row = GetParam();
    g_computerLock = row.computerLock;
    g_policies.allowExit = row.allowExit;
    HMENU menu = CreatePopupMenu();
    RefreshMenuMetrics();
    BuildTrayMenu(menu); // the captions
    DestroyMenu(menu);
    const WindowDC screen(nullptr);
    const GdiObject<HBITMAP> bitmap(CreateCompatibleBitmap(screen.Get(), 200, 35));
    // Plain pixels: a font drawn without smoothing, as the menu's is on a classic desktop.
    const GdiObject<HFONT> font(CreateFontA(16, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                                            NONANTIALIASED_QUALITY, 0, "Tahoma"));
    const MemoryDC memory(CreateCompatibleDC(screen.Get())); // deleted before what it holds
    HDC dc = memory.Get();
    SelectObject(dc, bitmap.Get());
    SelectObject(dc, font.Get());
    SetBkColor(dc, RGB(1, 2, 3));
    DRAWITEMSTRUCT item = {ODT_MENU,        0, row.id, ODA_DRAWENTIRE, row.state, nullptr, dc,
                           {0, 0, 200, 35}, 0};
    DrawMenuItem(&item);
    const COLORREF fill = row.fill < 0 ? RGB(1, 2, 3) : GetSysColor(row.fill);
    std::set<COLORREF> caption;
    for (int x = g_menuIconCx + 4; x < 200; ++x)
        for (int y = 0; y < 35; ++y)
            caption.insert(GetPixel(dc, x, y));
    EXPECT_EQ(fill, GetPixel(dc, 199, 0));
    caption.erase(fill);
    EXPECT_EQ(std::set<COLORREF>{GetSysColor(row.text)}, caption);
    std::multiset<COLORREF> picture; // a line across it
    for (int x = 0; x < g_menuIconCx; ++x)
        picture.insert(GetPixel(dc, x, 18));
    EXPECT_LT(picture.count(fill) + 10, picture.size());
    // Only the grayed Exit is embossed, as the system draws a disabled picture.
    for (COLORREF colour : {fill, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW)})
        picture.erase(colour);
    EXPECT_EQ(row.allowExit == 0, picture.empty());
}

INSTANTIATE_TEST_SUITE_P(Ui, Looks,
                         ::testing::ValuesIn(std::vector<Look>{
                             {CMD_SETTING, 0, 0, -1, COLOR_WINDOWTEXT},
                             {CMD_SETTING, ODS_SELECTED, 0, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
                             {CMD_COMPUTER_LOCK, ODS_SELECTED, 0, COLOR_HIGHLIGHT, COLOR_GRAYTEXT},
                             {CMD_COMPUTER_LOCK, ODS_SELECTED, 1, COLOR_HIGHLIGHT,
                              COLOR_HIGHLIGHTTEXT},
                             {CMD_EXIT, 0, 0, -1, COLOR_WINDOWTEXT},
                             {CMD_EXIT, ODS_SELECTED, 0, COLOR_HIGHLIGHT, COLOR_GRAYTEXT, 0},
                         }));

} // namespace
