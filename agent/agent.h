// The agent shell: entry function, hidden agent window, polling timer, menu pictures.
#pragma once
#include <windows.h>

#include "agent/scoped_handles.h"

// The tray icon's callback message.
constexpr UINT WM_TRAYNOTIFY = WM_APP + 0x64;
// Posted when the system reports a change of the IPv4 address table.
constexpr UINT WM_ADDRESSCHANGED = WM_APP + 0x65;
constexpr UINT_PTR AGENT_TIMER_ID = 10000;
constexpr UINT AGENT_TIMER_PERIOD_MS = 3000;
// A change after this long without one is looked at at once. The changes that follow it
// closely (a network that comes up changes several things in quick succession) wait this
// long for the rest of their burst, each restarting the wait but never beyond the limit
// after the first: one cycle for them, not one each, and never a cycle put off for long.
constexpr DWORD AGENT_QUIET_MS = 100;
constexpr UINT_PTR AGENT_SETTLE_TIMER_ID = 10001;
constexpr UINT AGENT_SETTLE_MS = 30;
constexpr DWORD AGENT_SETTLE_LIMIT_MS = 300;
constexpr char kInstanceMutexName[] = "SystemTrayApp_Korvane";

// Menu pictures by menu position; empty positions hold no handle.
struct IconList {
    HICON icons[256];
    int count;
};

extern HINSTANCE g_hInstance;
extern char g_windowClass[100];
extern KernelHandle g_instanceMutex;
extern UINT g_taskbarCreatedMsg;
extern UINT_PTR g_timerId;
extern IconList g_menuIcons;
extern IconList g_menuIconsGray;

int AgentMain(HINSTANCE hInstance, HINSTANCE previous, LPSTR commandLine, int showCommand);
LRESULT CALLBACK AgentWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Start-up steps, public so the tests can build the same window without a message loop.
void LoadMenuPictures();
void DestroyMenuPictures();
int RegisterAgentClass();
HWND CreateAgentWindow();
