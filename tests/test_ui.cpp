// The tray commands, the menu and the Setting dialog in-process, answered as a user would
// at each modal loop, against the real registry and the lock recorder.
#include "tests/harness.h"

namespace {

using namespace bench;

// Easy PC Lock, Quick Lock, a verdict left over, the message (a command, a tray click, a
// session's end) and its parameter, the user's answers, what showed, locks, whether the agent
// runs on, the type "8306" is stored as (none: no code), values a policy holds
struct Command {
    int computerLock, quickClick, passOk;
    UINT message;
    LPARAM param;
    std::vector<Step> steps;
    std::vector<Met> seen;
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
const auto Code = [](const char* code, int button = IDOK) {
    return Step{"PassCode", Do::Type, button, code};
};
const Step code = Code("8306"), cancel = {"Setting", Do::Press, IDCANCEL},
           ok = {"Version", Do::Press, IDOK};
const Met passCode = bench::Dialog("PassCode", bench::kTyping), setting = bench::Dialog("Setting"),
          version = bench::Dialog("Version Info");
INSTANTIATE_TEST_SUITE_P(
    Ui, Commands,
    ::testing::ValuesIn(std::vector<Command>{
        // clang-format off
    {0, 0, 0, kCommand, CMD_SETTING, {Code("1234")}, {passCode}, 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {Code("08306")}, {passCode}, 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {Code("8306", IDCANCEL)}, {passCode}, 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {{"PassCode", Do::Command, CMD_SETTING}, code, cancel},
     {passCode, setting}, 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {code, {"Setting", Do::Command, CMD_SETTING}, code, cancel},
     {passCode, setting, passCode}, 0, true},
    {0, 0, 1, kCommand, CMD_SETTING, {{"PassCode", Do::Command, CMD_EXIT}, Code("1234")},
     {passCode}, 0, true},
    {0, 0, 0, kCommand, CMD_EXIT, {Code("8306", IDCANCEL)}, {passCode}, 0, true},
    {0, 0, 0, kCommand, CMD_EXIT, {{"PassCode", Do::Escape}}, {passCode}, 0, true},
    {0, 0, 0, kCommand, CMD_EXIT, {code}, {passCode}, 0, false},
    {0, 0, 0, kCommand, CMD_ABOUT, {{"Version", Do::Command, CMD_ABOUT}, ok}, {version}, 0, true},
    {0, 0, 0, kCommand, CMD_ABOUT, {{"Version", Do::Escape}}, {version}, 0, true},
    {0, 0, 0, kCommand, CMD_COMPUTER_LOCK, {}, {}, 0, true},
    {1, 0, 0, kCommand, CMD_COMPUTER_LOCK, {}, {}, 1, true},
    {1, 0, 0, kTray, WM_LBUTTONDBLCLK, {ok}, {version}, 0, true},
    {0, 1, 0, kTray, WM_LBUTTONDBLCLK, {}, {}, 0, true},
    {1, 1, 0, kTray, WM_LBUTTONDBLCLK, {}, {}, 1, true},
    {0, 0, 0, kTray, WM_RBUTTONUP, {{"menu", Do::EndMenu}}, {bench::TrayMenu({CMD_COMPUTER_LOCK})},
     0, true},
    {1, 1, 0, kTray, WM_RBUTTONUP, {{"menu", Do::EndMenu}}, {bench::TrayMenu({}, true)}, 0, true},
    {0, 0, 0, kCommand, CMD_SETTING, {code}, {passCode}, 0, true, REG_BINARY},
    {0, 0, 0, kCommand, CMD_EXIT, {{"PassCode", Do::Press, IDOK}}, {passCode}, 0, true, REG_BINARY},
    {0, 0, 0, WM_ENDSESSION, FALSE, {}, {}, 0, true},
    {0, 0, 0, WM_ENDSESSION, TRUE, {}, {}, 0, false},
    {0, 0, 0, kCommand, CMD_EXIT, {}, {}, 0, true, {}, {{"AllowExit", 0}}},
    {1, 1, 0, kTray, WM_RBUTTONUP, {{"menu", Do::EndMenu}}, {bench::TrayMenu({CMD_EXIT}, true)}, 0,
     true, {}, {{"AllowExit", 0}}},
        // clang-format on
    }));

// stored first (all switches on, code "4711", 10.0.0.N for these N with a gap, a Run value), the
// address, the user's steps, what showed, what is stored after ("ComputerLock QuickClick IP_list
// DEBUG_chk AppDirectory IPList_1..5 Run", "-" absent), values a policy holds, its networks
struct Setting {
    const char *stored, *address;
    std::vector<Step> steps;
    std::vector<Met> seen;
    const char* state;
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

// The user at the Setting dialog.
const auto Click = [](int id) { return Step{"Setting", Do::Click, id}; };
const auto Select = [](int row) { return Step{"Setting", Do::Select, row}; };
const auto Type = [](const char* code, int button = IDOK) {
    return Step{"Setting", Do::Type, button, code};
};
const Step add = Click(IDC_ADD), del = Click(IDC_DELETE), quick = Click(IDC_QUICK_LOCK),
           okay = {"Setting", Do::Press, IDOK}, warned = {"Check !", Do::Enter},
           look = {"Setting", Do::Look},
           // OK once the policies are gone, which the dialog learns no more of
    policyGone = {"Setting", Do::Press, IDOK, "", [] {
                      SHDeleteKeyA(HKEY_LOCAL_MACHINE, kPolicyKey);
                      SendMessageA(g_trayData.hWnd, WM_SETTINGCHANGE, 0, LPARAM("Policy"));
                  }};
constexpr int kAuto = IDC_AUTO_START, kEasy = IDC_EASY_PC_LOCK, kQuick = IDC_QUICK_LOCK,
              kDebug = IDC_DEBUG_BOX, kLog = IDC_RECORD_IPLOG, kAdd = IDC_ADD, kDel = IDC_DELETE;
const Met warning = bench::Box("Check !", MB_OK);
INSTANTIATE_TEST_SUITE_P(
    Ui, Settings,
    ::testing::ValuesIn(std::vector<Setting>{
        // clang-format off
    {"12 4", "10.0.0.7", {okay}, {setting}, "1 1 1 1 4711 10.0.0.1 10.0.0.2 - - - run"},
    {"12 4", "10.0.0.7", {Click(kEasy), quick, Click(kAuto), okay}, {setting, Refused(kQuick)},
     "0 1 1 1 4711 10.0.0.1 10.0.0.2 - - - -"},
    {"12 4", "10.0.0.7", {Select(0), del, add, add, Type("20240")}, {setting},
     "1 1 1 1 20240 10.0.0.2 10.0.0.7 - - - run"},
    {"12 4", "10.0.0.7", {Click(kDebug), quick, add, Type("20240", IDCANCEL)}, {setting},
     "1 0 1 0 4711 10.0.0.1 10.0.0.2 - 10.0.0.4 - run"},
    {"1234", "10.0.0.0", {add, add, okay}, {setting, Refused(kAdd)},
     "1 1 1 1 4711 10.0.0.0 10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4 run"},
    {"12345", "10.0.0.7", {Select(4), del, add, okay}, {setting},
     "1 1 1 1 4711 10.0.0.1 10.0.0.2 10.0.0.3 10.0.0.4 10.0.0.7 run"},
    {"", nullptr, {add, okay}, {setting}, "0 0 0 - 8306 - - - - - -"},
    {"", "10.0.0.7", {Type("123"), warned, Type("123456789012345678901234"), warned,
                      Type("12345678901234567890123")},
     {setting, warning, warning}, "0 0 0 - 12345678901234567890123 - - - - - -"},
    {"12 4", "10.0.0.7", {Select(2), del, look, Click(kEasy), Click(kDebug), policyGone},
     {setting, Looked({kAuto, kQuick}, {kAuto, kEasy, kQuick, kDebug, kLog},
                      {"10.0.0.1", "10.0.0.2", "10.20.0.0/16 (policy)", "bad (policy) (invalid)"}),
      Refused(kEasy), Refused(kDebug)}, "1 1 1 1 4711 10.0.0.1 10.0.0.2 - - - run",
     {{"ComputerLock", 0}, {"DEBUG_chk", 0}, {"IP_list", 0}, {"Autostart", 1}},
     {"10.20.0.0/16", "bad"}},
    {"12 4", "10.0.0.7", {look, Select(0), del, add, okay},
     {setting, Looked({kAuto, kEasy, kQuick, kDebug, kLog}, {kLog, kAdd, kDel},
                      {"10.9.0.0/16 (policy)"}), Refused(kDel), Refused(kAdd)},
     "1 1 1 1 4711 10.0.0.1 10.0.0.2 - 10.0.0.4 - run", {{"UserTrustedList", 0}}, {"10.9.0.0/16"}},
    {"1*34", "10.0.0.7", {add, look, okay},
     {setting, Looked({kAuto, kEasy, kQuick, kDebug, kLog}, {kLog, kAdd},
                      {"10.0.0.* (invalid)", "10.0.0.1", "10.0.0.3", "10.0.0.4", "10.0.0.7",
                       "10.9.0.0/16 (policy)"})},
     "1 1 1 1 4711 10.0.0.* 10.0.0.1 10.0.0.3 10.0.0.4 10.0.0.7 run", {}, {"10.9.0.0/16"}},
    {"", "10.0.0.7", {look, Click(kEasy), quick, okay},
     {setting, Looked({kQuick}, {kQuick, kLog, kDel}, {}), Refused(kQuick)},
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
    const Selection drawn(dc, bitmap.Get()), written(dc, font.Get());
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

// clang-format off
INSTANTIATE_TEST_SUITE_P(Ui, Looks, ::testing::ValuesIn(std::vector<Look>{
    {CMD_SETTING, 0, 0, -1, COLOR_WINDOWTEXT},
    {CMD_SETTING, ODS_SELECTED, 0, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
    {CMD_COMPUTER_LOCK, ODS_SELECTED, 0, COLOR_HIGHLIGHT, COLOR_GRAYTEXT},
    {CMD_COMPUTER_LOCK, ODS_SELECTED, 1, COLOR_HIGHLIGHT, COLOR_HIGHLIGHTTEXT},
    {CMD_EXIT, 0, 0, -1, COLOR_WINDOWTEXT},
    {CMD_EXIT, ODS_SELECTED, 0, COLOR_HIGHLIGHT, COLOR_GRAYTEXT, 0},
}));
// clang-format on

} // namespace
