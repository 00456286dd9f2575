// The soak: one process runs the agent's check cycle, its tray menu and its dialogs
// thousands of times through their real entry points and prints its GDI and USER objects
// and private bytes before and after. It asserts nothing; a growth in the last line is a
// leak to look for.
#include "bench/soak.h"

#include <winsock2.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "agent/agent.h"
#include "agent/agent_command.h"
#include "bench/bench_kit.h"
#include "settings/common_reg.h"
#include "settings/runtime_options.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

constexpr int kCycles = 10000;
constexpr int kMenus = 1000;
constexpr int kDialogRounds = 1000; // Setting (PassCode, then Setting) and About... each
constexpr int kExitEvery = 10;      // an Exit refused by a wrong code, now and then
constexpr int kWarmUp = 25;         // of each, before the start figures

constexpr char kAddress[] = "10.0.0.7";
constexpr char kWrongCode[] = "0000";

// The user, answering from the agent window's own messages: menu and dialog loops send
// WM_ENTERIDLE to their owner once they are up and waiting for input.
struct User {
    WNDPROC agentProc = nullptr;
    HWND answered = nullptr; // the dialog whose answer is on its way
    bool rightCode = true;   // what the next PassCode prompt gets
    int setting = 0, passCode = 0, about = 0, menus = 0;
    // The pictures that the dialogs' bitmap statics loaded from the templates.
    std::vector<HGDIOBJ> staticBitmaps;
};
User g_user;

void Press(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

BOOL CALLBACK NoteStaticBitmap(HWND child, LPARAM)
{
    char cls[16] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 &&
        (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_BITMAP)
        g_user.staticBitmaps.push_back(
            reinterpret_cast<HGDIOBJ>(SendMessageA(child, STM_GETIMAGE, IMAGE_BITMAP, 0)));
    return TRUE;
}

void AnswerDialog(HWND dialog)
{
    if (dialog == g_user.answered || !IsWindowVisible(dialog))
        return;
    g_user.answered = dialog;
    // Painted before it is answered, as a person sees it.
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EnumChildWindows(dialog, NoteStaticBitmap, 0);
    if (GetDlgItem(dialog, IDC_TRUSTED_LIST)) {
        // Setting: Add the current address, then OK and Cancel by turns.
        Press(dialog, IDC_ADD);
        Press(dialog, g_user.setting++ % 2 ? IDCANCEL : IDOK);
    } else if (GetDlgItem(dialog, IDC_PASSCODE_EDIT)) {
        SetDlgItemTextA(dialog, IDC_PASSCODE_EDIT, g_user.rightCode ? g_passCode : kWrongCode);
        Press(dialog, IDOK);
        ++g_user.passCode;
    } else {
        Press(dialog, IDOK);
        ++g_user.about;
    }
}

LRESULT CALLBACK UserProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_ENTERIDLE && wParam == MSGF_DIALOGBOX)
        AnswerDialog(reinterpret_cast<HWND>(lParam));
    if (message == WM_ENTERIDLE && wParam == MSGF_MENU) {
        // Down highlights an item (drawn selected), Escape closes the menu without a choice.
        ++g_user.menus;
        PostMessageA(reinterpret_cast<HWND>(lParam), WM_KEYDOWN, VK_DOWN, 0);
        PostMessageA(reinterpret_cast<HWND>(lParam), WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return CallWindowProcA(g_user.agentProc, hwnd, message, wParam, lParam);
}

struct Figures {
    kit::GuiObjects objects;
    long privateBytes;
    long staticBitmaps; // Wine's bitmap statics load their picture and never delete it
    DWORD tick;
};

Figures Measure()
{
    // Drop what a finished loop left in the queue (the tray menu's WM_NULL) first.
    kit::PumpMessages(0);
    long live = 0;
    for (HGDIOBJ bitmap : g_user.staticBitmaps)
        live += GetObjectType(bitmap) == OBJ_BITMAP;
    return {kit::CountGuiObjects(), static_cast<long>(kit::PrivateBytes()), live, GetTickCount()};
}

void Print(const char* when, long gdi, long statics, long user, long privateBytes, long ms)
{
    std::printf("  %-28s GDI %6ld (%5ld kept by statics)  USER %5ld  private bytes %10ld  "
                "%7ld ms\n",
                when, gdi, statics, user, privateBytes, ms);
}

void Print(const char* when, const Figures& f, DWORD since)
{
    Print(when, f.objects.gdi, f.staticBitmaps, f.objects.user, f.privateBytes, f.tick - since);
}

void Cycles(HWND hwnd, int n)
{
    for (int i = 0; i < n; ++i)
        CheckAddress(hwnd, 1);
}

void Menus(HWND hwnd, int n)
{
    for (int i = 0; i < n; ++i) {
        // Both looks of Computer Lock, with and without a default item.
        g_computerLock = i % 2;
        g_quickClick = (i / 2) % 2;
        SendMessageA(hwnd, WM_TRAYNOTIFY, kTrayIconId, WM_RBUTTONUP);
    }
    g_computerLock = 1;
    g_quickClick = 0;
}

void Dialogs(HWND hwnd, int n)
{
    for (int i = 0; i < n; ++i) {
        g_user.rightCode = true;
        SendMessageA(hwnd, WM_COMMAND, CMD_SETTING, 0);
        SendMessageA(hwnd, WM_COMMAND, CMD_ABOUT, 0);
        if (i % kExitEvery == 0) {
            g_user.rightCode = false;
            SendMessageA(hwnd, WM_COMMAND, CMD_EXIT, 0);
        }
    }
}

} // namespace

int RunSoak()
{
    kit::ResetAgent();
    kit::SetResolverAnswer({kAddress});
    // Trusted address, Easy PC Lock and logging on: every cycle goes through the whole
    // change test and every 21st writes the log; nothing ever locks.
    CCommonReg store;
    store.WriteListEntry(1, kAddress);
    store.WriteSetting(SETTING_COMPUTER_LOCK, "", 1);
    store.WriteSetting(SETTING_IP_LIST, "", 1);
    g_computerLock = 1;
    g_recordLog = 1;

    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 0), &wsa);
    kit::UseOwnModuleAsAgent();
    LoadMenuPictures();
    const kit::ScratchDir folder("soak"); // the activity log goes here
    HWND hwnd = CreateAgentWindow();
    if (!hwnd) {
        std::printf("soak: no agent window\n");
        return 1;
    }
    g_user.agentProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UserProc)));

    const DWORD warmUp = GetTickCount();
    Cycles(hwnd, kWarmUp);
    Menus(hwnd, kWarmUp);
    Dialogs(hwnd, kWarmUp);
    const Figures start = Measure();
    const User warm = g_user;
    Cycles(hwnd, kCycles);
    const Figures afterCycles = Measure();
    Menus(hwnd, kMenus);
    const Figures afterMenus = Measure();
    Dialogs(hwnd, kDialogRounds);
    const Figures end = Measure();

    std::printf("soak: %d check cycles, %d tray menus opened, %d Setting, %d PassCode and %d "
                "Version Info dialogs answered, after a warm-up of %d each; locks: %zu; "
                "counted by %s\n",
                kCycles, g_user.menus - warm.menus, g_user.setting - warm.setting,
                g_user.passCode - warm.passCode, g_user.about - warm.about, kWarmUp,
                kit::LockTicks().size(), end.objects.how);
    Print("start (after the warm-up)", start, warmUp);
    Print("after the cycles", afterCycles, start.tick);
    Print("after the menus", afterMenus, afterCycles.tick);
    Print("end (after the dialogs)", end, afterMenus.tick);
    Print("end - start", long(end.objects.gdi) - long(start.objects.gdi),
          end.staticBitmaps - start.staticBitmaps,
          long(end.objects.user) - long(start.objects.user), end.privateBytes - start.privateBytes,
          end.tick - start.tick);

    DestroyWindow(hwnd);
    kit::PumpMessages(0);
    DestroyMenuPictures();
    kit::ClearRegistry();
    WSACleanup();
    return 0;
}
