// The tray icon's mouse handling and its owner-drawn menu. The menu is built afresh at
// every opening, with the system's metrics and colours read again, and destroyed after.
#include "ui/tray_menu.h"

#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/policy.h"
#include "settings/runtime_options.h"
#include "ui/dialogs.h"
#include "ui/res/resource.h"
#include "watch/check_cycle.h"
#include "watch/workstation_lock.h"

char g_menuText[kMenuItems][kMenuTextSize];
LOGFONTA g_menuFont;
int g_menuIconCx;
int g_menuIconCy;
COLORREF g_highlightColor;
COLORREF g_highlightTextColor;
COLORREF g_grayTextColor;
COLORREF g_windowTextColor;

namespace {

// The record without the padded-border width that later systems append: every system
// from XP on accepts this size, while the longer one is refused by the older ones.
constexpr UINT kNonClientMetricsSize = 340;
static_assert(sizeof(NONCLIENTMETRICSA) >= kNonClientMetricsSize, "record too small");

constexpr int kCaptionLimit = 100;
constexpr UINT kCaptionIds[kMenuItems] = {IDS_COMPUTER_LOCK, IDS_SEPARATOR, IDS_SETTING,
                                          IDS_ABOUT,         IDS_SEPARATOR, IDS_EXIT};

constexpr int kPictureTop = 2;    // picture's distance below the item's top edge
constexpr int kCaptionGap = 4;    // between picture and caption
constexpr int kCaptionBottom = 4; // text cell's bottom above the item's bottom edge
constexpr int kExtraWidth = 30;   // added to the caption's extent
constexpr int kExtraHeight = 3;   // added to the picture's height
constexpr UINT kMenuItemInfoSize = sizeof(MENUITEMINFOA);
static_assert(sizeof(void*) != 4 || kMenuItemInfoSize == 48, "the 48-byte record on 32-bit");

bool IsSeparator(int position)
{
    return position == CMD_SEPARATOR1 || position == CMD_SEPARATOR2;
}

// Computer Lock cannot be chosen unless Easy PC Lock is on, Exit where a policy forbids it.
bool IsGrayed(UINT id)
{
    return (id == CMD_COMPUTER_LOCK && g_computerLock != 1) || (id == CMD_EXIT && !ExitAllowed());
}

// The identifier comes with the request; any other than our six would index past the captions.
bool IsMenuItem(UINT id)
{
    return id < static_cast<UINT>(kMenuItems);
}

void OnTrayDoubleClick(HWND hwnd)
{
    SetForegroundWindow(g_trayData.hWnd);
    if (g_quickClick == 1) {
        // Quick Lock locks at once, without pass code or question, but only with Easy PC Lock.
        if (g_computerLock == 1)
            LockWorkstation(hwnd);
        return;
    }
    // No open-flag here: a double-click may stack Version Info dialogs on top of each other.
    DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(IDD_VERSION_INFO), hwnd, AboutDlgProc, 0);
}

void OnTrayRightButtonUp(HWND hwnd)
{
    SetForegroundWindow(g_trayData.hWnd);
    HMENU menu = CreatePopupMenu();
    RefreshMenuMetrics();
    if (menu) {
        BuildTrayMenu(menu);
        if (g_quickClick == 1)
            SetMenuDefaultItem(menu, CMD_COMPUTER_LOCK, TRUE);
        POINT cursor = {};
        GetCursorPos(&cursor);
        TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, hwnd, nullptr);
        DestroyMenu(menu);
    }
    // A notification-icon menu needs a message after tracking, or its next opening may not
    // close when the user clicks elsewhere.
    PostMessageA(g_trayData.hWnd, WM_NULL, 0, 0);
}

} // namespace

void OnTrayNotify(HWND hwnd, WPARAM, LPARAM lParam)
{
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDBLCLK:
        OnTrayDoubleClick(hwnd);
        break;
    case WM_RBUTTONUP:
        OnTrayRightButtonUp(hwnd);
        break;
    }
}

void RefreshMenuMetrics()
{
    NONCLIENTMETRICSA metrics = {};
    metrics.cbSize = kNonClientMetricsSize;
    if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSize, &metrics, 0))
        g_menuFont = metrics.lfMenuFont;
    else
        // Refused: the system's GUI font rather than whatever the record happens to hold.
        GetObjectA(GetStockObject(DEFAULT_GUI_FONT), sizeof g_menuFont, &g_menuFont);

    g_menuIconCx = 2 * GetSystemMetrics(SM_CXSMICON);
    g_menuIconCy = 2 * GetSystemMetrics(SM_CYSMICON);

    g_highlightColor = GetSysColor(COLOR_HIGHLIGHT);
    g_highlightTextColor = GetSysColor(COLOR_HIGHLIGHTTEXT);
    g_grayTextColor = GetSysColor(COLOR_GRAYTEXT);
    g_windowTextColor = GetSysColor(COLOR_WINDOWTEXT);
}

void BuildTrayMenu(HMENU menu)
{
    for (int i = 0; i < kMenuItems; ++i)
        LoadStringA(g_hInstance, kCaptionIds[i], g_menuText[i], kCaptionLimit);

    // The menu holds no caption: the items are drawn from g_menuText by DrawMenuItem.
    for (int i = 0; i < kMenuItems; ++i) {
        MENUITEMINFOA info = {};
        info.cbSize = kMenuItemInfoSize;
        info.fMask = MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_TYPE | MIIM_DATA;
        info.fType = IsSeparator(i) ? MFT_SEPARATOR : MFT_OWNERDRAW;
        info.fState = IsGrayed(static_cast<UINT>(i)) ? MFS_GRAYED : 0;
        info.wID = static_cast<UINT>(i);
        InsertMenuItemA(menu, static_cast<UINT>(GetMenuItemCount(menu)), TRUE, &info);
    }
}

void MeasureMenuItem(HWND hwnd, MEASUREITEMSTRUCT* item)
{
    if (!IsMenuItem(item->itemID))
        return;
    const char* caption = g_menuText[item->itemID];

    // Declared in this order, they go in reverse: font deselected, deleted, then the DC.
    const WindowDC dc(hwnd);
    const GdiObject<HFONT> font(CreateFontIndirectA(&g_menuFont));
    const Selection selected(dc.Get(), font.Get());
    SIZE extent = {};
    GetTextExtentPoint32A(dc.Get(), caption, lstrlenA(caption), &extent);

    // The picture's width is not added: the 30 pixels are all the room it gets beyond the text.
    item->itemWidth = static_cast<UINT>(extent.cx + kExtraWidth);
    item->itemHeight = static_cast<UINT>(g_menuIconCy + kExtraHeight);
}

void DrawMenuItem(DRAWITEMSTRUCT* item)
{
    if (!IsMenuItem(item->itemID))
        return;
    const RECT& rect = item->rcItem;
    HDC dc = item->hDC;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;

    // The whole item on every call, whatever itemAction asks for.
    {
        const GdiObject<HBRUSH> brush(
            CreateSolidBrush(selected ? g_highlightColor : GetBkColor(dc)));
        if (selected)
            SetBkColor(dc, g_highlightColor);
        FillRect(dc, &rect, brush.Get());
    }

    // Grayed is decided by the same rule as in BuildTrayMenu, not by itemState. An item
    // without a grayed picture of its own has its picture drawn as the system draws a
    // disabled one.
    const bool grayed = IsGrayed(item->itemID);
    HICON picture = g_menuIcons.icons[item->itemID];
    SetTextColor(dc, grayed     ? g_grayTextColor
                     : selected ? g_highlightTextColor
                                : g_windowTextColor);
    const int x = rect.left, y = rect.top + kPictureTop;
    if (grayed && g_menuIconsGray.icons[item->itemID])
        DrawIconEx(dc, x, y, g_menuIconsGray.icons[item->itemID], g_menuIconCx, g_menuIconCy, 0,
                   nullptr, DI_NORMAL);
    else if (grayed && picture)
        DrawStateA(dc, nullptr, nullptr, reinterpret_cast<LPARAM>(picture), 0, x, y, g_menuIconCx,
                   g_menuIconCy, DST_ICON | DSS_DISABLED);
    else if (picture)
        DrawIconEx(dc, x, y, picture, g_menuIconCx, g_menuIconCy, 0, nullptr, DI_NORMAL);

    const char* caption = g_menuText[item->itemID];
    SetTextAlign(dc, TA_BOTTOM);
    TextOutA(dc, rect.left + g_menuIconCx + kCaptionGap, rect.bottom - kCaptionBottom, caption,
             lstrlenA(caption));
}
