// The tray icon's menu and double-click: items measured and drawn on a memory DC and
// checked pixel by pixel, the real menu built and tracked, and the double-click rules.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>
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

constexpr DWORD kWaitMs = 5000;
constexpr UINT kOwnerDrawn[] = {CMD_COMPUTER_LOCK, CMD_SETTING, CMD_ABOUT, CMD_EXIT};

// A 32-bit top-down DIB selected into a memory DC.
class Canvas {
  public:
    Canvas(int width, int height) : width_(width), height_(height)
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
    }
    ~Canvas()
    {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC Dc() const { return dc_; }
    void Fill(COLORREF color)
    {
        GdiFlush();
        const DWORD pixel = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
        std::fill(bits_, bits_ + width_ * height_, pixel);
    }
    // Read after GdiFlush(), once the drawing calls are done.
    COLORREF At(int x, int y) const
    {
        const DWORD pixel = bits_[y * width_ + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    int CountInRect(const RECT& r, COLORREF color) const
    {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                n += At(x, y) == color;
        return n;
    }

  private:
    int width_;
    int height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    DWORD* bits_ = nullptr;
};

bool IsGray(COLORREF c)
{
    return GetRValue(c) == GetGValue(c) && GetGValue(c) == GetBValue(c);
}

// The enabled key picture's ground.
bool IsAmber(COLORREF c)
{
    return GetRValue(c) > 200 && GetRValue(c) - GetBValue(c) > 120 && GetGValue(c) > 90 &&
           GetGValue(c) < 230;
}

SIZE CaptionExtent(const char* text, const LOGFONTA& font)
{
    HDC dc = GetDC(nullptr);
    HFONT created = CreateFontIndirectA(&font);
    HGDIOBJ previous = SelectObject(dc, created);
    SIZE size = {};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    SelectObject(dc, previous);
    DeleteObject(created);
    ReleaseDC(nullptr, dc);
    return size;
}

class TrayMenu : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { bench::StartInProcessAgentSuite(); }
    static void TearDownTestSuite() { bench::EndInProcessAgentSuite(); }

    void SetUp() override
    {
        agent_ = std::make_unique<bench::InProcessAgent>();
        hwnd_ = agent_->Window();
        ASSERT_NE(nullptr, hwnd_);
        spy_ = std::make_unique<bench::WindowSpy>(hwnd_);
        // Captions and metrics as at a menu opening.
        HMENU menu = CreatePopupMenu();
        RefreshMenuMetrics();
        BuildTrayMenu(menu);
        DestroyMenu(menu);
    }
    void TearDown() override
    {
        spy_.reset();
        agent_.reset();
    }

    int PostedNulls() const
    {
        int n = 0;
        for (const bench::SpiedMessage& m : spy_->Messages(WM_NULL))
            n += !m.sentByOtherThread;
        return n;
    }
    void Notify(UINT mouseMessage) { SendMessageA(hwnd_, WM_TRAYNOTIFY, 2, mouseMessage); }

    std::unique_ptr<bench::InProcessAgent> agent_;
    std::unique_ptr<bench::WindowSpy> spy_;
    HWND hwnd_ = nullptr;
};

// ---- measuring and drawing on a memory DC ----

// Colours no system scheme uses, so each pixel tells which one was painted.
constexpr COLORREF kOutside = RGB(1, 2, 3);
constexpr COLORREF kMenuBack = RGB(240, 241, 242);
constexpr COLORREF kHighlight = RGB(10, 20, 200);
constexpr COLORREF kHighlightText = RGB(250, 250, 5);
constexpr COLORREF kWindowText = RGB(0, 120, 1);
constexpr COLORREF kGrayText = RGB(128, 3, 128);
constexpr COLORREF kForeignText = RGB(9, 9, 9);
constexpr COLORREF kTextColors[] = {kHighlightText, kWindowText, kGrayText, kForeignText};
constexpr RECT kItem = {10, 4, 230, 45};

class MenuDrawing : public TrayMenu {
  protected:
    void SetUp() override
    {
        TrayMenu::SetUp();
        g_highlightColor = kHighlight;
        g_highlightTextColor = kHighlightText;
        g_windowTextColor = kWindowText;
        g_grayTextColor = kGrayText;
        g_menuIconCx = 32;
        g_menuIconCy = 32;
    }

    // Draws as the menu hands an item over: a DC with the menu's background colour.
    void Draw(Canvas& canvas, UINT id, UINT state)
    {
        canvas.Fill(kOutside);
        SetBkColor(canvas.Dc(), kMenuBack);
        SetTextColor(canvas.Dc(), kForeignText);
        DRAWITEMSTRUCT item = {};
        item.CtlType = ODT_MENU;
        item.itemID = id;
        item.itemAction = ODA_SELECT; // ignored: the whole item is painted every time
        item.itemState = state;
        item.hDC = canvas.Dc();
        item.rcItem = kItem;
        DrawMenuItem(&item);
        GdiFlush();
    }

    // The whole item: fill, picture at top + 2 in its drawn size, caption after the
    // picture + 4 with its cell's bottom 4 pixels above the item's, nothing outside.
    void ExpectItem(const Canvas& canvas, COLORREF fill, COLORREF text, HICON picture)
    {
        const int cx = g_menuIconCx;
        const int cy = g_menuIconCy;
        EXPECT_EQ(kOutside, canvas.At(kItem.left - 1, kItem.top));
        EXPECT_EQ(kOutside, canvas.At(kItem.right, kItem.bottom - 1));
        EXPECT_EQ(kOutside, canvas.At(kItem.left, kItem.bottom));
        EXPECT_EQ(fill, canvas.At(kItem.right - 1, kItem.top));
        EXPECT_EQ(fill, canvas.At(kItem.right - 1, kItem.bottom - 1));

        // Picture: exactly what the icon looks like at that size on that fill, at that place.
        Canvas reference(cx, cy);
        reference.Fill(fill);
        if (picture)
            DrawIconEx(reference.Dc(), 0, 0, picture, cx, cy, 0, nullptr, DI_NORMAL);
        GdiFlush();
        int differing = 0;
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x)
                differing += canvas.At(kItem.left + x, kItem.top + 2 + y) != reference.At(x, y);
        EXPECT_EQ(0, differing) << "picture pixels off";
        const RECT above = {kItem.left, kItem.top, kItem.left + cx, kItem.top + 2};
        EXPECT_EQ(cx * 2, canvas.CountInRect(above, fill));

        // Caption.
        const int textLeft = kItem.left + cx + 4;
        const RECT gap = {kItem.left + cx, kItem.top, textLeft, kItem.bottom};
        EXPECT_EQ((gap.right - gap.left) * (gap.bottom - gap.top), canvas.CountInRect(gap, fill));
        const RECT below = {textLeft, kItem.bottom - 4, kItem.right, kItem.bottom};
        EXPECT_EQ((below.right - below.left) * 4, canvas.CountInRect(below, fill));
        const RECT caption = {textLeft, kItem.top, kItem.right, kItem.bottom - 4};
        EXPECT_GT(canvas.CountInRect(caption, text), 10) << "caption not in its colour";
        int firstColumn = kItem.right;
        for (int x = caption.left; x < caption.right && firstColumn == kItem.right; ++x)
            for (int y = caption.top; y < caption.bottom; ++y)
                if (canvas.At(x, y) == text) {
                    firstColumn = x;
                    break;
                }
        EXPECT_LE(firstColumn, textLeft + 3) << "caption starts too far right";
        // The caption's cell sits on the bottom line: its lowest ink is close above it.
        int lowestRow = 0;
        for (int y = caption.top; y < caption.bottom; ++y)
            for (int x = caption.left; x < caption.right; ++x)
                if (canvas.At(x, y) == text)
                    lowestRow = y;
        EXPECT_GE(lowestRow, kItem.bottom - 4 - 8);
        for (COLORREF other : kTextColors) {
            if (other != text) {
                EXPECT_EQ(0, canvas.CountInRect(kItem, other)) << std::hex << other;
            }
        }
    }
};

TEST_F(MenuDrawing, MeasureIsTheOwnCaptionPlus30ByThePictureHeightPlus3)
{
    RefreshMenuMetrics();
    LOGFONTA fonts[2] = {g_menuFont, g_menuFont};
    fonts[1].lfHeight = -40;
    UINT systemWidths[kMenuItems] = {};
    for (int f = 0; f < 2; ++f) {
        g_menuFont = fonts[f];
        for (int iconCy : {32, 48}) {
            g_menuIconCy = iconCy;
            for (UINT id : kOwnerDrawn) {
                MEASUREITEMSTRUCT item = {};
                item.CtlType = ODT_MENU;
                item.itemID = id;
                MeasureMenuItem(hwnd_, &item);
                const SIZE extent = CaptionExtent(g_menuText[id], fonts[f]);
                EXPECT_EQ(static_cast<UINT>(extent.cx + 30), item.itemWidth) << g_menuText[id];
                EXPECT_EQ(static_cast<UINT>(iconCy + 3), item.itemHeight);
                // The font's size shows: the same caption is wider in the big font.
                if (f == 0)
                    systemWidths[id] = item.itemWidth;
                else
                    EXPECT_GT(item.itemWidth, systemWidths[id]);
            }
        }
    }
    EXPECT_LT(systemWidths[CMD_EXIT], systemWidths[CMD_COMPUTER_LOCK]) << "each its own caption";
}

TEST_F(MenuDrawing, ItemsInWindowTextOnTheMenuBackgroundAndInHighlightTextWhenSelected)
{
    Canvas canvas(240, 50);
    for (UINT id : {CMD_SETTING, CMD_ABOUT, CMD_EXIT}) {
        SCOPED_TRACE(g_menuText[id]);
        Draw(canvas, id, 0);
        ExpectItem(canvas, kMenuBack, kWindowText, g_menuIcons.icons[id]);
        EXPECT_EQ(kMenuBack, GetBkColor(canvas.Dc()));
    }
    // Other state bits (grayed, disabled, default, focus) change nothing.
    Draw(canvas, CMD_SETTING, ODS_GRAYED | ODS_DISABLED | ODS_DEFAULT | ODS_FOCUS | ODS_CHECKED);
    ExpectItem(canvas, kMenuBack, kWindowText, g_menuIcons.icons[CMD_SETTING]);

    Draw(canvas, CMD_ABOUT, ODS_SELECTED);
    ExpectItem(canvas, kHighlight, kHighlightText, g_menuIcons.icons[CMD_ABOUT]);
    EXPECT_EQ(kHighlight, GetBkColor(canvas.Dc())) << "the caption's cell on the highlight";
}

TEST_F(MenuDrawing, ComputerLockFollowsEasyPcLockNotTheItemState)
{
    Canvas canvas(240, 50);
    const RECT picture = {kItem.left, kItem.top + 2, kItem.left + 32, kItem.top + 34};
    auto countPixels = [&](bool (*kind)(COLORREF)) {
        int n = 0;
        for (int y = picture.top; y < picture.bottom; ++y)
            for (int x = picture.left; x < picture.right; ++x)
                n += kind(canvas.At(x, y));
        return n;
    };

    g_computerLock = 1;
    Draw(canvas, CMD_COMPUTER_LOCK, ODS_GRAYED);
    ExpectItem(canvas, kMenuBack, kWindowText, g_menuIcons.icons[0]);
    EXPECT_GT(countPixels(IsAmber), 32 * 32 / 3) << "the amber key picture";
    Draw(canvas, CMD_COMPUTER_LOCK, ODS_SELECTED);
    ExpectItem(canvas, kHighlight, kHighlightText, g_menuIcons.icons[0]);

    for (int off : {0, 2}) {
        SCOPED_TRACE(off);
        g_computerLock = off;
        Draw(canvas, CMD_COMPUTER_LOCK, 0);
        ExpectItem(canvas, kMenuBack, kGrayText, g_menuIconsGray.icons[0]);
        EXPECT_EQ(32 * 32, countPixels(IsGray)) << "the gray key picture";
        // Selected, it takes the highlight but keeps its gray caption.
        Draw(canvas, CMD_COMPUTER_LOCK, ODS_SELECTED);
        ExpectItem(canvas, kHighlight, kGrayText, g_menuIconsGray.icons[0]);
    }
}

TEST_F(MenuDrawing, PictureSizeFollowsTheMenuIconSizeAndAMissingPictureLeavesTheFill)
{
    Canvas canvas(240, 50);
    g_menuIconCx = 24;
    g_menuIconCy = 24;
    Draw(canvas, CMD_EXIT, 0);
    ExpectItem(canvas, kMenuBack, kWindowText, g_menuIcons.icons[CMD_EXIT]);

    g_menuIconCx = 32;
    g_menuIconCy = 32;
    const HICON saved = g_menuIcons.icons[CMD_EXIT];
    g_menuIcons.icons[CMD_EXIT] = nullptr;
    Draw(canvas, CMD_EXIT, ODS_SELECTED);
    g_menuIcons.icons[CMD_EXIT] = saved;
    ExpectItem(canvas, kHighlight, kHighlightText, nullptr);
}

TEST_F(MenuDrawing, RequestsForItemsThatAreNotOursAreLeftAlone)
{
    Canvas canvas(240, 50);
    for (UINT id : {6u, 0x7FFFu, 0xFFFFFFFFu}) {
        Draw(canvas, id, ODS_SELECTED);
        EXPECT_EQ(kOutside, canvas.At(kItem.right - 1, kItem.top)) << id;
        EXPECT_EQ(kMenuBack, GetBkColor(canvas.Dc()));
        MEASUREITEMSTRUCT item = {};
        item.itemID = id;
        item.itemWidth = 7;
        item.itemHeight = 9;
        MeasureMenuItem(hwnd_, &item);
        EXPECT_EQ(7u, item.itemWidth);
        EXPECT_EQ(9u, item.itemHeight);
    }
}

// ---- metrics ----

BOOL WINAPI RefusingSystemParametersInfoA(UINT, UINT, PVOID param, UINT)
{
    // Refuses, and leaves the record in a state nobody should use.
    auto* metrics = static_cast<NONCLIENTMETRICSA*>(param);
    std::memset(&metrics->lfMenuFont, 0x5A, sizeof metrics->lfMenuFont);
    return FALSE;
}

UINT g_askedSize;
UINT g_askedParam;
BOOL WINAPI SizeRecordingSystemParametersInfoA(UINT action, UINT uiParam, PVOID param, UINT flags)
{
    g_askedSize = static_cast<NONCLIENTMETRICSA*>(param)->cbSize;
    g_askedParam = uiParam;
    // Straight to user32: this program's own import is the one replaced.
    using Function = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT);
    auto real = reinterpret_cast<Function>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoA")));
    return real(action, uiParam, param, flags);
}

TEST_F(TrayMenu, MetricsAreTheSystemsAndARefusalGivesTheDefaultGuiFont)
{
    std::memset(&g_menuFont, 0x33, sizeof g_menuFont);
    {
        bench::ImportPatch spy("user32.dll", "SystemParametersInfoA",
                               reinterpret_cast<const void*>(SizeRecordingSystemParametersInfoA));
        ASSERT_TRUE(spy.Ok());
        RefreshMenuMetrics();
    }
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

    {
        bench::ImportPatch refuse("user32.dll", "SystemParametersInfoA",
                                  reinterpret_cast<const void*>(RefusingSystemParametersInfoA));
        ASSERT_TRUE(refuse.Ok());
        RefreshMenuMetrics();
    }
    LOGFONTA gui = {};
    ASSERT_NE(0, GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof gui, &gui));
    EXPECT_EQ(0, std::memcmp(&gui, &g_menuFont, sizeof g_menuFont));
    EXPECT_EQ(2 * GetSystemMetrics(SM_CYSMICON), g_menuIconCy);
    // And the items are measured in it.
    MEASUREITEMSTRUCT item = {};
    item.itemID = CMD_SETTING;
    MeasureMenuItem(hwnd_, &item);
    EXPECT_EQ(static_cast<UINT>(CaptionExtent("Setting", gui).cx + 30), item.itemWidth);
}

// ---- the real menu ----

TEST_F(TrayMenu, BuiltMenuHoldsSixItemsWithoutTextAndGraysComputerLockUnlessEnabled)
{
    const char* captions[] = {"Computer Lock", "-", "Setting", "About...", "-", "Exit"};
    for (int lock : {0, 1, 2}) {
        SCOPED_TRACE(lock);
        g_computerLock = lock;
        std::memset(g_menuText, 0, sizeof g_menuText);
        HMENU menu = CreatePopupMenu();
        ASSERT_NE(nullptr, menu);
        BuildTrayMenu(menu);
        ASSERT_EQ(6, GetMenuItemCount(menu));
        for (UINT i = 0; i < 6; ++i) {
            EXPECT_STREQ(captions[i], g_menuText[i]);
            MENUITEMINFOA info = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_CHECKMARKS |
                         MIIM_DATA | MIIM_BITMAP;
            ASSERT_TRUE(GetMenuItemInfoA(menu, i, TRUE, &info));
            const bool separator = i == CMD_SEPARATOR1 || i == CMD_SEPARATOR2;
            EXPECT_EQ(separator ? MFT_SEPARATOR : MFT_OWNERDRAW, info.fType) << i;
            const UINT state = (i == CMD_COMPUTER_LOCK && lock != 1) ? MFS_GRAYED : 0;
            EXPECT_EQ(state, info.fState) << i;
            EXPECT_EQ(i, info.wID);
            EXPECT_EQ(nullptr, info.hSubMenu);
            EXPECT_EQ(nullptr, info.hbmpChecked);
            EXPECT_EQ(nullptr, info.hbmpUnchecked);
            EXPECT_EQ(nullptr, info.hbmpItem);
            EXPECT_EQ(0u, info.dwItemData);
            char text[32] = "x";
            EXPECT_EQ(0, GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION)) << i;
        }
        EXPECT_EQ(static_cast<UINT>(-1), GetMenuDefaultItem(menu, TRUE, 0));
        DestroyMenu(menu);
    }
}

struct OpenMenu {
    HWND window = nullptr;
    HMENU menu = nullptr;
    RECT rect = {};
    int count = 0;
    MENUITEMINFOA items[6] = {};
    RECT itemRects[6] = {};
    UINT defaultItem = 0;
    bool closed = false;
};

// Reads the open menu from the helper thread, then closes it with Escape once its four
// items are drawn.
void ReadOpenMenu(OpenMenu& seen, const bench::WindowSpy& spy)
{
    seen.window = bench::WaitForMenuWindow(kWaitMs);
    if (!seen.window)
        return;
    DWORD_PTR menu = 0;
    SendMessageTimeoutA(seen.window, MN_GETHMENU, 0, 0, SMTO_NORMAL, kWaitMs, &menu);
    seen.menu = reinterpret_cast<HMENU>(menu);
    GetWindowRect(seen.window, &seen.rect);
    seen.count = GetMenuItemCount(seen.menu);
    for (int i = 0; i < 6; ++i) {
        seen.items[i].cbSize = sizeof seen.items[i];
        seen.items[i].fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID;
        GetMenuItemInfoA(seen.menu, i, TRUE, &seen.items[i]);
        GetMenuItemRect(nullptr, seen.menu, i, &seen.itemRects[i]); // a pop-up: no window
    }
    seen.defaultItem = GetMenuDefaultItem(seen.menu, TRUE, 0);

    const DWORD start = GetTickCount();
    while (spy.Count(WM_DRAWITEM) < 4 && GetTickCount() - start < kWaitMs)
        Sleep(20);
    bench::PostKey(seen.window, VK_ESCAPE);
    const DWORD closing = GetTickCount();
    while (IsWindowVisible(seen.window) && GetTickCount() - closing < kWaitMs)
        Sleep(20);
    seen.closed = !IsWindowVisible(seen.window);
}

TEST_F(TrayMenu, RightButtonUpOpensTheMenuAtTheCursorAndEscapeSendsNoCommand)
{
    const int itemHeight = 2 * GetSystemMetrics(SM_CYSMICON) + 3;
    for (int on : {0, 1}) {
        SCOPED_TRACE(on);
        g_quickClick = on;
        g_computerLock = on;
        spy_->Clear();
        const POINT cursor = {400 + 20 * on, 300 + 10 * on};
        ASSERT_TRUE(SetCursorPos(cursor.x, cursor.y));

        OpenMenu seen;
        bench::UserThread user([&] { ReadOpenMenu(seen, *spy_); });
        Notify(WM_RBUTTONUP);
        user.Finish();
        bench::PumpMessages(200);

        ASSERT_NE(nullptr, seen.window);
        EXPECT_TRUE(seen.closed);
        EXPECT_TRUE(user.Unexpected().empty());
        EXPECT_EQ(cursor.x, seen.rect.left);
        EXPECT_EQ(cursor.y, seen.rect.top);
        ASSERT_EQ(6, seen.count);
        for (UINT i = 0; i < 6; ++i) {
            const bool separator = i == CMD_SEPARATOR1 || i == CMD_SEPARATOR2;
            EXPECT_EQ(separator ? MFT_SEPARATOR : MFT_OWNERDRAW, seen.items[i].fType);
            EXPECT_EQ(i, seen.items[i].wID);
            UINT state = seen.items[i].fState & ~MFS_HILITE;
            UINT expected = (i == 0 && !on) ? MFS_GRAYED : 0;
            if (i == 0 && on)
                expected |= MFS_DEFAULT;
            EXPECT_EQ(expected, state) << i;
            if (!separator) {
                EXPECT_EQ(itemHeight, seen.itemRects[i].bottom - seen.itemRects[i].top) << i;
            }
        }
        EXPECT_EQ(on ? 0u : static_cast<UINT>(-1), seen.defaultItem);
        // Only the four owner-drawn items are measured and drawn, each by its own caption.
        std::set<UINT> measured;
        UINT widest = 0;
        for (const bench::SpiedMessage& m : spy_->Messages(WM_MEASUREITEM)) {
            measured.insert(m.itemId);
            ASSERT_LT(m.itemId, 6u);
            EXPECT_EQ(static_cast<UINT>(CaptionExtent(g_menuText[m.itemId], g_menuFont).cx + 30),
                      m.measuredWidth);
            EXPECT_EQ(static_cast<UINT>(itemHeight), m.measuredHeight);
            widest = std::max(widest, m.measuredWidth);
        }
        EXPECT_EQ((std::set<UINT>{0, 2, 3, 5}), measured);
        std::set<UINT> drawn;
        for (const bench::SpiedMessage& m : spy_->Messages(WM_DRAWITEM))
            drawn.insert(m.itemId);
        EXPECT_EQ((std::set<UINT>{0, 2, 3, 5}), drawn);
        // The menu takes the widest item for all of them.
        for (UINT i : kOwnerDrawn) {
            EXPECT_GE(seen.itemRects[i].right - seen.itemRects[i].left, static_cast<LONG>(widest));
            EXPECT_EQ(seen.itemRects[0].right - seen.itemRects[0].left,
                      seen.itemRects[i].right - seen.itemRects[i].left);
        }

        EXPECT_EQ(0, spy_->Count(WM_COMMAND));
        EXPECT_FALSE(IsMenu(seen.menu)) << "destroyed after tracking";
        EXPECT_EQ(1, PostedNulls());
    }
}

TEST_F(TrayMenu, ChoosingComputerLockInTheMenuLocks)
{
    g_quickClick = 1;
    g_computerLock = 1;
    HWND menuWindow = nullptr;
    bench::UserThread user([&] {
        menuWindow = bench::WaitForMenuWindow(kWaitMs);
        if (!menuWindow)
            return;
        bench::PostKey(menuWindow, VK_DOWN);
        bench::PostKey(menuWindow, VK_RETURN);
    });
    Notify(WM_RBUTTONUP);
    EXPECT_TRUE(bench::WaitForLocks(1, 10000));
    user.Finish();
    ASSERT_NE(nullptr, menuWindow);
    EXPECT_TRUE(user.Unexpected().empty());
    const std::vector<bench::SpiedMessage> commands = spy_->Messages(WM_COMMAND);
    ASSERT_EQ(1u, commands.size());
    EXPECT_EQ(CMD_COMPUTER_LOCK, LOWORD(commands[0].wParam));
    EXPECT_EQ(1, PostedNulls());
}

HMENU WINAPI FailingCreatePopupMenu()
{
    return nullptr;
}

TEST_F(TrayMenu, WithoutAMenuNothingShowsAndTheNullIsPostedAllTheSame)
{
    bench::ImportPatch fail("user32.dll", "CreatePopupMenu",
                            reinterpret_cast<const void*>(FailingCreatePopupMenu));
    ASSERT_TRUE(fail.Ok());
    bench::UserThread user([] {});
    Notify(WM_RBUTTONUP);
    user.Finish();
    bench::PumpMessages(100);
    EXPECT_TRUE(user.Unexpected().empty());
    EXPECT_EQ(0, spy_->Count(WM_MEASUREITEM));
    EXPECT_EQ(1, PostedNulls());
}

// ---- the double-click and the other mouse messages ----

TEST_F(TrayMenu, DoubleClickWithQuickLockAndEasyPcLockLocksAtOnceEveryTime)
{
    g_quickClick = 1;
    g_computerLock = 1;
    bench::UserThread user([] {});
    Notify(WM_LBUTTONDBLCLK);
    Notify(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(bench::WaitForLocks(2, 10000));
    user.Finish();
    EXPECT_TRUE(user.Unexpected().empty()) << "no pass code, no question";
    EXPECT_EQ(2, bench::LockCount());
}

TEST_F(TrayMenu, DoubleClickWithQuickLockButNoEasyPcLockAndOtherMouseMessagesDoNothing)
{
    g_quickClick = 1;
    bench::UserThread user([] {});
    for (int off : {0, 2}) {
        g_computerLock = off;
        Notify(WM_LBUTTONDBLCLK);
    }
    g_computerLock = 1;
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN, WM_RBUTTONDBLCLK,
                       WM_MBUTTONUP, WM_CONTEXTMENU, NIN_SELECT})
        Notify(mouse);
    bench::PumpMessages(300);
    EXPECT_EQ(0, PostedNulls());
    // The one that counts, as a yardstick for the ones before.
    Notify(WM_LBUTTONDBLCLK);
    EXPECT_TRUE(bench::WaitForLocks(1, 10000));
    bench::PumpMessages(1500);
    user.Finish();
    EXPECT_TRUE(user.Unexpected().empty());
    EXPECT_EQ(1, bench::LockCount());
}

TEST_F(TrayMenu, DoubleClickWithoutQuickLockShowsVersionInfoAlsoOverAnOpenOne)
{
    for (int quick : {0, 2}) {
        for (int lock : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "quick " << quick << " lock " << lock);
            g_quickClick = quick;
            g_computerLock = lock;
            HWND first = nullptr;
            HWND second = nullptr;
            HWND owner = nullptr;
            int openFlag = -1;
            bench::UserThread user([&] {
                first = bench::WaitForDialog("Version Info", kWaitMs);
                if (!first)
                    return;
                owner = GetWindow(first, GW_OWNER);
                openFlag = g_aboutDlgOpen;
                PostMessageA(hwnd_, WM_TRAYNOTIFY, 2, WM_LBUTTONDBLCLK);
                second = bench::WaitForDialog("Version Info", kWaitMs, {first});
                if (second) {
                    bench::ClickButton(second, IDOK);
                    bench::WaitUntilGone(second, kWaitMs);
                }
                bench::ClickButton(first, IDOK);
                bench::WaitUntilGone(first, kWaitMs);
            });
            Notify(WM_LBUTTONDBLCLK);
            user.Finish();
            EXPECT_NE(nullptr, first);
            EXPECT_NE(nullptr, second);
            EXPECT_EQ(hwnd_, owner);
            EXPECT_EQ(0, openFlag) << "the double-click keeps out of the About... guard";
            EXPECT_TRUE(user.Unexpected().empty());
        }
    }
    bench::PumpMessages(500);
    EXPECT_EQ(0, bench::LockCount());
}

} // namespace
