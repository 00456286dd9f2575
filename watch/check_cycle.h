// One check cycle: look up the address, refresh the tray icon and its tip, watch for a change.
#pragma once
#include <windows.h>
#include <shellapi.h>

// The first, 88-byte form of the record: its tip holds 64 characters.
constexpr DWORD kTrayDataSize = NOTIFYICONDATAA_V1_SIZE;
constexpr UINT kTrayIconId = 2;

extern NOTIFYICONDATAA g_trayData;
extern char g_tipText[100];
extern int g_animFrame;

// Writes "IP is <g_currentAddress>" into g_tipText.
void FormatTipText();

// modify 0 adds the icon (NIM_ADD), anything else updates it (NIM_MODIFY). Returns 0.
int CheckAddress(HWND hwnd, int modify);
