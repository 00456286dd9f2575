// Start-up and shut-down of the agent: single instance, options, sockets, menu
// pictures, the hidden window and the message loop.
#include <winsock2.h>

#include "agent/agent.h"
#include "settings/runtime_options.h"
#include "ui/res/resource.h"
#include "watch/check_cycle.h"

HINSTANCE g_hInstance;
char g_windowClass[100];
KernelHandle g_instanceMutex;
// Registered before AgentMain runs, so the window procedure can match it from the start.
UINT g_taskbarCreatedMsg = RegisterWindowMessageA("TaskbarCreated");
UINT_PTR g_timerId;
IconList g_menuIcons;
IconList g_menuIconsGray;

namespace {

constexpr WORD kSocketsVersion = MAKEWORD(2, 0);

// By menu position; 117 has no resource, so the separator positions stay empty.
constexpr WORD kMenuPictures[] = {IDI_COMPUTER_LOCK, IDI_SEPARATOR, IDI_SETTING,
                                  IDI_AGENT,         IDI_SEPARATOR, IDI_EXIT};

HICON LoadMenuPicture(WORD id)
{
    return static_cast<HICON>(
        LoadImageA(g_hInstance, MAKEINTRESOURCEA(id), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
}

void AppendIcon(IconList& list, HICON icon)
{
    if (list.count < static_cast<int>(ARRAYSIZE(list.icons)))
        list.icons[list.count++] = icon;
}

int RunMessageLoop()
{
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

using FilterForWindowFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
using FilterForProcessFn = BOOL(WINAPI*)(UINT, DWORD);

// An agent started elevated (from an administrator's prompt) would not hear Explorer, which
// runs below it: the tray's callbacks and "TaskbarCreated" are let through, nothing else.
// Windows 7 filters per window, Vista per process, XP not at all.
void AllowShellMessages(HWND hwnd)
{
    HMODULE user = GetModuleHandleW(L"user32.dll");
    constexpr DWORD kAllow = 1; // MSGFLT_ALLOW and MSGFLT_ADD alike
    const UINT messages[] = {WM_TRAYNOTIFY, g_taskbarCreatedMsg};
    if (auto forWindow = reinterpret_cast<FilterForWindowFn>(
            reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilterEx")))) {
        for (UINT message : messages)
            forWindow(hwnd, message, kAllow, nullptr);
    } else if (auto forProcess = reinterpret_cast<FilterForProcessFn>(
                   reinterpret_cast<void*>(GetProcAddress(user, "ChangeWindowMessageFilter")))) {
        for (UINT message : messages)
            forProcess(message, kAllow);
    }
}

} // namespace

void LoadMenuPictures()
{
    ZeroMemory(&g_menuIcons, sizeof g_menuIcons);
    ZeroMemory(&g_menuIconsGray, sizeof g_menuIconsGray);
    for (WORD id : kMenuPictures)
        AppendIcon(g_menuIcons, LoadMenuPicture(id));
    AppendIcon(g_menuIconsGray, LoadMenuPicture(IDI_COMPUTER_LOCK_GRAY));
}

void DestroyMenuPictures()
{
    // The grayed picture is left to the end of the process.
    for (int i = g_menuIcons.count - 1; i >= 0; --i) {
        if (g_menuIcons.icons[i])
            DestroyIcon(g_menuIcons.icons[i]);
        g_menuIcons.icons[i] = nullptr;
    }
    g_menuIcons.count = 0;
}

int RegisterAgentClass()
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = AgentWndProc;
    wc.hInstance = g_hInstance;
    wc.lpszClassName = g_windowClass;
    return RegisterClassExA(&wc) != 0;
}

HWND CreateAgentWindow()
{
    // An ordinary top-level window that is never shown (not message-only): only such
    // a window hears the shell's "TaskbarCreated" broadcast.
    HWND hwnd = CreateWindowExA(0, g_windowClass, g_tipText, 0, CW_USEDEFAULT, 0, CW_USEDEFAULT, 0,
                                nullptr, nullptr, g_hInstance, nullptr);
    if (hwnd)
        AllowShellMessages(hwnd);
    return hwnd;
}

int AgentMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int)
{
    g_hInstance = hInstance;
    LoadStringA(g_hInstance, IDS_WINDOW_TITLE, g_tipText, sizeof g_tipText);
    LoadStringA(g_hInstance, IDS_WINDOW_CLASS, g_windowClass, sizeof g_windowClass);

    // No handle at all counts as failure too: two agents must never run unnoticed.
    g_instanceMutex.Reset(CreateMutexA(nullptr, TRUE, kInstanceMutexName));
    if (!g_instanceMutex.Valid())
        return 0;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        g_instanceMutex.Reset();
        return 0;
    }

    LoadRuntimeOptions();

    WSADATA wsaData;
    if (WSAStartup(kSocketsVersion, &wsaData) != 0)
        return 0;

    LoadMenuPictures();
    if (!RegisterAgentClass())
        return 0;
    HWND hwnd = CreateAgentWindow();
    if (!hwnd)
        return 0;
    ShowWindow(hwnd, SW_HIDE);
    UpdateWindow(hwnd);

    int exitCode = RunMessageLoop();

    DestroyMenuPictures();
    WSACleanup();
    return exitCode;
}
