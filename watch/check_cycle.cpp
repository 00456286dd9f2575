// The check cycle and the tray refresh, with its four-picture animation.
#include "watch/check_cycle.h"

#include <strsafe.h>

#include <array>
#include <cstring>

#include "agent/agent.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/change_watch.h"

NOTIFYICONDATAA g_trayData;
char g_tipText[100];
int g_animFrame;

namespace {

// The marker disc goes round the globe clockwise, from the lower right.
constexpr std::array<WORD, 4> kTrayFrames = {IDI_TRAY_FRAME1, IDI_TRAY_FRAME2, IDI_TRAY_FRAME3,
                                             IDI_TRAY_FRAME4};

HICON NextTrayPicture()
{
    // LoadIconA hands out shared icons: they are never destroyed.
    HICON icon = LoadIconA(g_hInstance, MAKEINTRESOURCEA(kTrayFrames[g_animFrame]));
    g_animFrame = g_animFrame < 3 ? g_animFrame + 1 : 0;
    return icon;
}

void FillTrayData(HWND hwnd, HICON icon)
{
    g_trayData.cbSize = kTrayDataSize;
    g_trayData.hWnd = hwnd;
    g_trayData.uID = kTrayIconId;
    g_trayData.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    g_trayData.uCallbackMessage = WM_TRAYNOTIFY;
    g_trayData.hIcon = icon;
    lstrcpynA(g_trayData.szTip, g_tipText, 64);
}

} // namespace

void FormatTipText()
{
    // Always fits: the address is shorter than kAddressTextSize.
    StringCchPrintfA(g_tipText, sizeof g_tipText, "IP is %s", g_currentAddress);
}

int CheckAddress(HWND hwnd, int modify)
{
    char previous[kAddressTextSize];
    std::memcpy(previous, g_currentAddress, sizeof previous);

    LookUpAddress();
    FormatTipText();
    FillTrayData(hwnd, NextTrayPicture());
    // Unchecked: an icon the shell could not take comes back with "TaskbarCreated".
    Shell_NotifyIconA(modify ? NIM_MODIFY : NIM_ADD, &g_trayData);

    WatchAddressChange(hwnd, previous);
    return 0;
}
