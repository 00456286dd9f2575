// The tray icon's menu and double-click: items measured, and drawn on a memory DC and
// compared with the picture they should make; the real menu built and tracked.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/in_process_agent.h"
#include "tests/bench/ui_driver.h"
#include "ui/res/resource.h"
#include "ui/tray_menu.h"

namespace {

// A 32-bit bitmap selected into a memory DC.
struct Canvas {
    static constexpr int kWidth = 240, kHeight = 50;
    const HDC dc = CreateCompatibleDC(nullptr);
    const HBITMAP bitmap = CreateBitmap(kWidth, kHeight, 1, 32, nullptr);
    const HGDIOBJ previous = SelectObject(dc, bitmap);

    explicit Canvas(COLORREF ground) { Fill({0, 0, kWidth, kHeight}, ground); }
    Canvas(const Canvas&) = delete;
    ~Canvas()
    {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void Fill(const RECT& r, COLORREF color) const
    {
        HBRUSH brush = CreateSolidBrush(color);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
    }
    std::vector<DWORD> Pixels() const
    {
        GdiFlush();
        std::vector<DWORD> pixels(kWidth * kHeight);
        GetBitmapBits(bitmap, kWidth * kHeight * 4, pixels.data());
        return pixels;
    }
};

UINT CaptionWidth(const char* text, const LOGFONTA& font)
{
    HDC dc = GetDC(nullptr);
    HFONT created = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, created);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    DeleteObject(SelectObject(dc, previous));
    ReleaseDC(nullptr, dc);
    return static_cast<UINT>(size.cx);
}

// What the open menu asked of the agent window: the items measured, with the window's
// answers, and the items drawn. The requests still reach the window unchanged.
std::mutex g_askedLock;
std::map<UINT, std::pair<UINT, UINT>> g_measured; // width, height by item
std::set<UINT> g_drawn;
WNDPROC g_agentProc;

LRESULT CALLBACK Recording(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const LRESULT result = CallWindowProcA(g_agentProc, hwnd, message, wParam, lParam);
    std::lock_guard<std::mutex> hold(g_askedLock);
    if (message == WM_MEASUREITEM) {
        const auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        g_measured[item->itemID] = {item->itemWidth, item->itemHeight};
    }
    if (message == WM_DRAWITEM)
        g_drawn.insert(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)->itemID);
    return result;
}

class TrayMenu : public bench::InProcessAgent {
  protected:
    void SetUp() override
    {
        InProcessAgent::SetUp();
        StartAgentWindow();
        g_agentProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Recording)));
        // Captions and metrics as at a menu opening.
        RefreshMenuMetrics();
        HMENU menu = CreatePopupMenu();
        BuildTrayMenu(menu);
        DestroyMenu(menu);
    }
    void Notify(UINT mouseMessage) { SendMessageA(hwnd_, WM_TRAYNOTIFY, 2, mouseMessage); }
    // Dispatches what waits for the agent window; returns the posted commands and nulls.
    std::vector<std::pair<UINT, WPARAM>> Posted()
    {
        std::vector<std::pair<UINT, WPARAM>> posted;
        for (MSG msg; PeekMessageA(&msg, hwnd_, 0, 0, PM_REMOVE); DispatchMessageA(&msg))
            if (msg.message == WM_COMMAND || msg.message == WM_NULL)
                posted.push_back({msg.message, msg.wParam});
        return posted;
    }
};

// ---- measuring and drawing ----

// Colours no system scheme uses, so each pixel tells which one was painted.
constexpr COLORREF kOutside = RGB(1, 2, 3), kMenuBack = RGB(240, 241, 242);
constexpr COLORREF kHighlight = RGB(10, 20, 200), kHighlightText = RGB(250, 250, 5);
constexpr COLORREF kWindowText = RGB(0, 120, 1), kGrayText = RGB(128, 3, 128);
constexpr RECT kItem = {10, 4, 230, 45};

TEST_F(TrayMenu, EachItemIsPaintedWholeInTheColoursAndPictureOfItsState)
{
    g_highlightColor = kHighlight;
    g_highlightTextColor = kHighlightText;
    g_windowTextColor = kWindowText;
    g_grayTextColor = kGrayText;
    constexpr UINT kOtherBits = ODS_GRAYED | ODS_DISABLED | ODS_DEFAULT | ODS_FOCUS | ODS_CHECKED;
    const struct {
        UINT id;
        int easyPcLock, iconSize;
        UINT state;
        COLORREF fill, text;
        WORD picture; // 0: none, the test takes it away
    } cases[] = {
        {CMD_SETTING, 0, 32, 0, kMenuBack, kWindowText, IDI_SETTING},
        {CMD_ABOUT, 0, 32, ODS_SELECTED, kHighlight, kHighlightText, IDI_AGENT},
        {CMD_EXIT, 0, 24, 0, kMenuBack, kWindowText, IDI_EXIT},
        {CMD_EXIT, 0, 32, ODS_SELECTED, kHighlight, kHighlightText, 0},
        // Computer Lock follows Easy PC Lock, not the item state, and stays gray when selected.
        {CMD_COMPUTER_LOCK, 1, 32, kOtherBits, kMenuBack, kWindowText, IDI_COMPUTER_LOCK},
        {CMD_COMPUTER_LOCK, 1, 32, ODS_SELECTED, kHighlight, kHighlightText, IDI_COMPUTER_LOCK},
        {CMD_COMPUTER_LOCK, 0, 32, 0, kMenuBack, kGrayText, IDI_COMPUTER_LOCK_GRAY},
        {CMD_COMPUTER_LOCK, 2, 32, ODS_SELECTED, kHighlight, kGrayText, IDI_COMPUTER_LOCK_GRAY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << g_menuText[c.id] << " lock " << c.easyPcLock << " state "
                                        << c.state << " size " << c.iconSize);
        g_computerLock = c.easyPcLock;
        g_menuIconCx = g_menuIconCy = c.iconSize;
        const int cx = c.iconSize;

        // Drawn as the menu hands an item over: the menu's colours already in the DC.
        Canvas drawn(kOutside);
        SetBkColor(drawn.dc, kMenuBack);
        SetTextColor(drawn.dc, RGB(9, 9, 9));
        DRAWITEMSTRUCT item = {ODT_MENU, 0, c.id, ODA_SELECT, c.state, nullptr, drawn.dc, kItem, 0};
        const HICON saved = g_menuIcons.icons[c.id];
        if (!c.picture)
            g_menuIcons.icons[c.id] = nullptr;
        DrawMenuItem(&item);
        g_menuIcons.icons[c.id] = saved;

        // What it should look like: the fill, the 32 x 32 picture drawn at the menu's size
        // 2 pixels below the top, the caption 4 pixels after it with its cell's bottom 4
        // pixels above the item's, its cell on the fill.
        Canvas expected(kOutside);
        expected.Fill(kItem, c.fill);
        if (c.picture) {
            HICON icon = static_cast<HICON>(
                LoadImageA(g_hInstance, MAKEINTRESOURCEA(c.picture), IMAGE_ICON, 32, 32, 0));
            DrawIconEx(expected.dc, kItem.left, kItem.top + 2, icon, cx, cx, 0, nullptr, DI_NORMAL);
            DestroyIcon(icon);
        }
        SetBkColor(expected.dc, c.fill);
        SetTextColor(expected.dc, c.text);
        RECT caption = {kItem.left + cx + 4, kItem.top, kItem.right, kItem.bottom - 4};
        DrawTextA(expected.dc, g_menuText[c.id], -1, &caption, DT_SINGLELINE | DT_BOTTOM);

        EXPECT_TRUE(drawn.Pixels() == expected.Pixels()) << "pixels off";
    }
}

TEST_F(TrayMenu, ItemIsItsCaptionPlus30WideInTheMenuFontAndThePicturePlus3HighOthersLeftAlone)
{
    g_menuFont.lfHeight = -40; // far from the window's own font
    g_menuIconCy = 48;
    for (UINT id : {0u, 2u, 3u, 5u, 6u, 0x7FFFu, 0xFFFFFFFFu}) {
        const bool ours = id < 6;
        MEASUREITEMSTRUCT measure = {ODT_MENU, 0, id, 7, 9, 0};
        MeasureMenuItem(hwnd_, &measure);
        EXPECT_EQ(ours ? CaptionWidth(g_menuText[id], g_menuFont) + 30 : 7u, measure.itemWidth)
            << id;
        EXPECT_EQ(ours ? 51u : 9u, measure.itemHeight) << id;
        Canvas canvas(kOutside);
        const std::vector<DWORD> before = canvas.Pixels();
        DRAWITEMSTRUCT draw = {ODT_MENU, 0, id, ODA_DRAWENTIRE, 0, nullptr, canvas.dc, kItem, 0};
        DrawMenuItem(&draw);
        EXPECT_EQ(!ours, before == canvas.Pixels()) << id;
    }
}

// ---- metrics ----

UINT g_askedSize, g_askedParam;
bool g_refuse;

BOOL WINAPI SwappedSystemParametersInfoA(UINT action, UINT uiParam, PVOID param, UINT flags)
{
    auto* metrics = static_cast<NONCLIENTMETRICSA*>(param);
    g_askedSize = metrics->cbSize;
    g_askedParam = uiParam;
    if (g_refuse) { // and leaves the record in a state nobody should use
        std::memset(&metrics->lfMenuFont, 0x5A, sizeof metrics->lfMenuFont);
        return FALSE;
    }
    // Straight to user32: this program's own import is the one swapped.
    auto real = reinterpret_cast<BOOL(WINAPI*)(UINT, UINT, PVOID, UINT)>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoA")));
    return real(action, uiParam, param, flags);
}

TEST_F(TrayMenu, MetricsAreTheSystemsAndARefusalGivesTheDefaultGuiFont)
{
    bench::ImportSwap swap("user32.dll", "SystemParametersInfoA",
                           reinterpret_cast<const void*>(SwappedSystemParametersInfoA));
    ASSERT_TRUE(swap.Ok());
    g_refuse = false;
    RefreshMenuMetrics();
    EXPECT_EQ(340u, g_askedSize); // the record without the padded-border width
    EXPECT_EQ(340u, g_askedParam);
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = sizeof metrics;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
    EXPECT_EQ(0, std::memcmp(&metrics.lfMenuFont, &g_menuFont, sizeof g_menuFont));
    EXPECT_EQ(2 * GetSystemMetrics(SM_CXSMICON), g_menuIconCx);
    EXPECT_EQ(2 * GetSystemMetrics(SM_CYSMICON), g_menuIconCy);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), g_highlightColor);
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHTTEXT), g_highlightTextColor);
    EXPECT_EQ(GetSysColor(COLOR_GRAYTEXT), g_grayTextColor);
    EXPECT_EQ(GetSysColor(COLOR_WINDOWTEXT), g_windowTextColor);

    g_refuse = true;
    RefreshMenuMetrics();
    LOGFONTA gui = {};
    ASSERT_NE(0, GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui));
    EXPECT_EQ(0, std::memcmp(&gui, &g_menuFont, sizeof g_menuFont));
}

// ---- the real menu ----

// The items as "<id><type><state>": o owner-drawn, - separator, g grayed, d default;
// ! when an item holds anything more (a text, a submenu, a bitmap, data).
std::string Items(HMENU menu)
{
    std::string items;
    for (UINT i = 0; i < static_cast<UINT>(GetMenuItemCount(menu)); ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS |
                     MIIM_DATA | MIIM_BITMAP;
        GetMenuItemInfoA(menu, i, TRUE, &info);
        char text[8] = "";
        const bool more = info.hSubMenu || info.hbmpChecked || info.hbmpUnchecked ||
                          info.hbmpItem || info.dwItemData ||
                          GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        items += std::to_string(info.wID) +
                 (info.fType == MFT_OWNERDRAW   ? "o"
                  : info.fType == MFT_SEPARATOR ? "-"
                                                : "?") +
                 (info.fState & MFS_GRAYED ? "g" : "") + (info.fState & MFS_DEFAULT ? "d" : "") +
                 (more ? "! " : " ");
    }
    return items;
}

TEST_F(TrayMenu, RightButtonUpTracksAFreshMenuAtTheCursorAndSendsTheChoice)
{
    const UINT itemHeight = 2 * GetSystemMetrics(SM_CYSMICON) + 3;
    const struct {
        int quick, easy; // g_quickClick, g_computerLock
        POINT cursor;
        std::vector<UINT> keys;
        const char* items;
    } rounds[] = {
        {0, 0, {400, 300}, {VK_ESCAPE}, "0og 1- 2o 3o 4- 5o "},
        {0, 2, {420, 310}, {VK_ESCAPE}, "0og 1- 2o 3o 4- 5o "},
        {1, 1, {300, 200}, {VK_ESCAPE}, "0od 1- 2o 3o 4- 5o "},
        {1, 1, {310, 210}, {VK_DOWN, VK_RETURN}, "0od 1- 2o 3o 4- 5o "}, // chooses Computer Lock
    };
    for (const auto& round : rounds) {
        SCOPED_TRACE(testing::Message() << "quick " << round.quick << ", easy " << round.easy
                                        << ", keys " << round.keys.size());
        g_quickClick = round.quick;
        g_computerLock = round.easy;
        const bool chooses = round.keys.size() > 1;
        // Metrics and captions must be read again at the opening.
        std::memset(g_menuText, 0, sizeof g_menuText);
        std::memset(&g_menuFont, 0x33, sizeof g_menuFont);
        g_menuIconCy = 0;
        g_measured.clear();
        g_drawn.clear();
        ASSERT_TRUE(SetCursorPos(round.cursor.x, round.cursor.y));

        RECT place = {};
        HMENU menu = nullptr;
        std::string items;
        bench::UserThread user([&] {
            HWND window = bench::WaitForMenuWindow();
            if (!window)
                return;
            GetWindowRect(window, &place);
            DWORD_PTR handle = 0;
            SendMessageTimeoutA(window, MN_GETHMENU, 0, 0, SMTO_NORMAL, bench::kWaitMs, &handle);
            menu = reinterpret_cast<HMENU>(handle);
            items = Items(menu);
            bench::WaitFor([] {
                std::lock_guard<std::mutex> hold(g_askedLock);
                return g_drawn.size() == 4;
            });
            for (UINT key : round.keys)
                bench::PressKey(window, key);
            bench::WaitFor([&] { return !IsWindowVisible(window); });
        });
        Notify(WM_RBUTTONUP);
        const auto posted = Posted(); // a chosen command runs here
        user.Finish();

        ASSERT_NE(nullptr, menu);
        EXPECT_EQ(0, user.Count());
        EXPECT_EQ(round.cursor.x, place.left);
        EXPECT_EQ(round.cursor.y, place.top);
        EXPECT_EQ(round.items, items);
        // Only the four owner-drawn items are measured and drawn, each by its own caption
        // in the system's menu font.
        RefreshMenuMetrics();
        const char* captions[] = {"Computer Lock", "", "Setting", "About...", "", "Exit"};
        std::map<UINT, std::pair<UINT, UINT>> measured;
        for (UINT id : {0u, 2u, 3u, 5u})
            measured[id] = {CaptionWidth(captions[id], g_menuFont) + 30, itemHeight};
        EXPECT_EQ(measured, g_measured);
        EXPECT_EQ((std::set<UINT>{0, 2, 3, 5}), g_drawn);
        using Posts = std::vector<std::pair<UINT, WPARAM>>;
        const Posts lock = {{WM_COMMAND, CMD_COMPUTER_LOCK}, {WM_NULL, 0}}, none = {{WM_NULL, 0}};
        EXPECT_EQ(chooses ? lock : none, posted);
        EXPECT_EQ(chooses, bench::WaitForLocks(1, chooses ? 10000 : 0));
        EXPECT_FALSE(IsMenu(menu)) << "destroyed after tracking";
    }
}

HMENU WINAPI FailingCreatePopupMenu()
{
    return nullptr;
}

TEST_F(TrayMenu, WithoutAMenuNothingShowsAndTheNullIsPostedAllTheSame)
{
    bench::ImportSwap fail("user32.dll", "CreatePopupMenu",
                           reinterpret_cast<const void*>(FailingCreatePopupMenu));
    ASSERT_TRUE(fail.Ok());
    bench::UserThread user([] {});
    Notify(WM_RBUTTONUP);
    EXPECT_EQ((std::vector<std::pair<UINT, WPARAM>>{{WM_NULL, 0}}), Posted());
    user.Finish();
    EXPECT_EQ(0, user.Count());
}

// ---- the double-click and the other mouse messages ----

TEST_F(TrayMenu, DoubleClickLocksAtOnceOnlyWithQuickLockAndEasyPcLock)
{
    g_quickClick = 1;
    bench::UserThread user([] {}); // no pass code, no question, no dialog
    for (int off : {0, 2}) {
        g_computerLock = off;
        Notify(WM_LBUTTONDBLCLK);
    }
    g_computerLock = 1;
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK,
                       WM_MBUTTONUP, WM_CONTEXTMENU, NIN_SELECT})
        Notify(mouse);
    Notify(WM_LBUTTONDBLCLK);
    Notify(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(bench::WaitForLocks(2, 10000));
    bench::PumpMessages(1500);
    user.Finish();
    EXPECT_EQ(0, user.Count());
    EXPECT_EQ(2, bench::LockCount());
}

TEST_F(TrayMenu, DoubleClickWithoutQuickLockShowsVersionInfoAlsoOverAnOpenOne)
{
    for (int round = 0; round < 4; ++round) {
        g_quickClick = round < 2 ? 0 : 2;
        g_computerLock = round % 2;
        SCOPED_TRACE(testing::Message() << "quick " << g_quickClick << ", easy " << g_computerLock);
        HWND first = nullptr, second = nullptr, owner = nullptr;
        int openFlag = -1;
        bench::UserThread user([&] {
            if (!(first = bench::WaitForDialog("Version Info")))
                return;
            owner = GetWindow(first, GW_OWNER);
            openFlag = g_aboutDlgOpen;
            PostMessageA(hwnd_, WM_TRAYNOTIFY, 2, WM_LBUTTONDBLCLK);
            if ((second = bench::WaitForDialog("Version Info", {first})))
                bench::Click(second, IDOK);
            bench::WaitFor([&] { return !IsWindow(second); });
            bench::Click(first, IDOK);
        });
        Notify(WM_LBUTTONDBLCLK);
        user.Finish();
        EXPECT_NE(nullptr, second);
        EXPECT_EQ(hwnd_, owner);
        EXPECT_EQ(0, openFlag) << "the double-click keeps out of the About... guard";
        EXPECT_EQ(0, user.Count());
    }
    bench::PumpMessages(500);
    EXPECT_EQ(0, bench::LockCount());
}

} // namespace
