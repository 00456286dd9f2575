// The tray icon's mouse handling and its owner-drawn menu.
#pragma once
#include <windows.h>

constexpr int kMenuItems = 6;
constexpr int kMenuTextSize = 260;

extern char g_menuText[kMenuItems][kMenuTextSize];
extern LOGFONTA g_menuFont;
extern int g_menuIconCx;
extern int g_menuIconCy;
extern COLORREF g_highlightColor;
extern COLORREF g_highlightTextColor;
extern COLORREF g_grayTextColor;
extern COLORREF g_windowTextColor;

void OnTrayNotify(HWND hwnd, WPARAM wParam, LPARAM lParam);
void RefreshMenuMetrics();
void BuildTrayMenu(HMENU menu);
void MeasureMenuItem(HWND hwnd, MEASUREITEMSTRUCT* item);
void DrawMenuItem(DRAWITEMSTRUCT* item);
