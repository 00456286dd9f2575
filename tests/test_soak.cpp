// Soak: one process runs the agent's check cycle, its tray menu and its dialogs thousands
// of times through their real entry points, and its GDI and USER objects and private bytes
// must not grow after a short warm-up. The figures are printed for the record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/common_reg.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/gui_objects.h"
#include "tests/bench/scratch_dir.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

constexpr int kCycles = 10000;
constexpr int kMenus = 1000;
constexpr int kDialogRounds = 1000; // Setting (PassCode, then Setting) and About... each
constexpr int kExitEvery = 10;      // an Exit refused by a wrong code, now and then
constexpr int kWarmUp = 25;         // of each, before the first count

// What may remain after the warm-up: a handful of objects that a system caches on first
// use (a caret, a cached brush), and heap pages that the allocator keeps.
constexpr long kObjectSlack = 3;
constexpr long kPrivateSlack = 512 * 1024;

constexpr char kAddress[] = "10.0.0.7";
constexpr char kWrongCode[] = "0000";

constexpr int kMenuItems = 6;

// The user, answering from the agent window's own messages: menu and dialog loops send
// WM_ENTERIDLE to their owner once they are up and waiting for input.
struct User {
    WNDPROC agentProc = nullptr;
    HWND answered = nullptr; // the dialog whose answer is on its way
    bool rightCode = true;   // what the next PassCode prompt gets
    int settingOpenings = 0;
    int passCodeOpenings = 0;
    int aboutOpenings = 0;
    int menuOpenings = 0;
    int measured[kMenuItems] = {};
    int drawn[kMenuItems] = {};
    int drawnSelected = 0;
    int commands = 0;
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
        Press(dialog, g_user.settingOpenings % 2 ? IDCANCEL : IDOK);
        ++g_user.settingOpenings;
    } else if (GetDlgItem(dialog, IDC_PASSCODE_EDIT)) {
        SetDlgItemTextA(dialog, IDC_PASSCODE_EDIT, g_user.rightCode ? g_passCode : kWrongCode);
        Press(dialog, IDOK);
        ++g_user.passCodeOpenings;
    } else {
        Press(dialog, IDOK);
        ++g_user.aboutOpenings;
    }
}

void AnswerMenu(HWND menuWindow)
{
    ++g_user.menuOpenings;
    // Down highlights an item (drawn selected), Escape closes the menu without a choice.
    PostMessageA(menuWindow, WM_KEYDOWN, VK_DOWN, 0);
    PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
}

LRESULT CALLBACK UserProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ENTERIDLE:
        if (wParam == MSGF_DIALOGBOX)
            AnswerDialog(reinterpret_cast<HWND>(lParam));
        else if (wParam == MSGF_MENU)
            AnswerMenu(reinterpret_cast<HWND>(lParam));
        break;
    case WM_MEASUREITEM: {
        const UINT id = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemID;
        if (id < kMenuItems)
            ++g_user.measured[id];
        break;
    }
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (item->itemID < kMenuItems)
            ++g_user.drawn[item->itemID];
        if (item->itemState & ODS_SELECTED)
            ++g_user.drawnSelected;
        break;
    }
    case WM_COMMAND:
        ++g_user.commands;
        break;
    }
    return CallWindowProcA(g_user.agentProc, hwnd, message, wParam, lParam);
}

// Wine difference: a bitmap static control made from a dialog template loads its picture
// and, unlike Windows, never deletes it; those pictures are counted apart (0 on Windows).
long LiveStaticBitmaps()
{
    long live = 0;
    for (HGDIOBJ bitmap : g_user.staticBitmaps)
        if (GetObjectType(bitmap) == OBJ_BITMAP)
            ++live;
    return live;
}

struct Figures {
    bench::GuiObjects objects;
    SIZE_T privateBytes;
    long staticBitmaps;
};

Figures Measure()
{
    // Drop what a finished loop left in the queue (the tray menu's WM_NULL) first.
    bench::PumpMessages(0);
    return {bench::CountGuiObjects(), bench::PrivateBytes(), LiveStaticBitmaps()};
}

void Print(const char* when, const Figures& f, DWORD ms)
{
    std::printf("  %-22s GDI %5lu (%4ld kept by statics)  USER %4lu  private bytes %8lu  %6lu ms\n",
                when, f.objects.gdi, f.staticBitmaps, f.objects.user,
                static_cast<unsigned long>(f.privateBytes), ms);
}

class Soak : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 0), &data));
        bench::UseOwnModuleAsAgent();
        LoadMenuPictures();
    }
    static void TearDownTestSuite()
    {
        DestroyMenuPictures();
        WSACleanup();
    }

    void SetUp() override
    {
        bench::ClearRegistry();
        bench::ClearLockRecord();
        ASSERT_TRUE(bench::SetResolverAnswer({kAddress}));
        // Trusted address, Easy PC Lock and logging on: every cycle goes through the whole
        // change test and every 21st writes the log; nothing ever locks.
        CCommonReg store;
        ASSERT_EQ(0, store.WriteListEntry(1, kAddress));
        ASSERT_EQ(0, store.WriteSetting(SETTING_COMPUTER_LOCK, "", 1));
        ASSERT_EQ(0, store.WriteSetting(SETTING_IP_LIST, "", 1));
        std::memset(g_currentAddress, 0, sizeof g_currentAddress);
        g_confirmBox = 0;
        g_computerLock = 1;
        g_quickClick = 0;
        g_recordLog = 1;
        lstrcpyA(g_passCode, kDefaultPassCode);
        hwnd_ = CreateAgentWindow();
        ASSERT_NE(nullptr, hwnd_);
        g_user = User();
        g_user.agentProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(UserProc)));
    }
    void TearDown() override
    {
        if (IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        bench::PumpMessages(0);
        bench::ClearRegistry();
    }

    void Cycles(int n)
    {
        for (int i = 0; i < n; ++i)
            CheckAddress(hwnd_, 1);
    }
    void Menus(int n)
    {
        for (int i = 0; i < n; ++i) {
            // Both looks of Computer Lock, with and without a default item.
            g_computerLock = i % 2;
            g_quickClick = (i / 2) % 2;
            SendMessageA(hwnd_, WM_TRAYNOTIFY, kTrayIconId, WM_RBUTTONUP);
        }
        g_computerLock = 1;
        g_quickClick = 0;
        bench::PumpMessages(0); // a chosen item would arrive as a posted command
    }
    void Dialogs(int n)
    {
        for (int i = 0; i < n; ++i) {
            g_user.rightCode = true;
            SendMessageA(hwnd_, WM_COMMAND, CMD_SETTING, 0);
            SendMessageA(hwnd_, WM_COMMAND, CMD_ABOUT, 0);
            if (i % kExitEvery == 0) {
                g_user.rightCode = false;
                SendMessageA(hwnd_, WM_COMMAND, CMD_EXIT, 0);
            }
        }
    }

    HWND hwnd_ = nullptr;
};

TEST_F(Soak, CyclesMenusAndDialogsLeaveNoObjectsOrMemoryBehind)
{
    bench::ScratchDir folder("soak"); // the activity log goes here
    DWORD t = GetTickCount();
    const Figures created = Measure();
    const DWORD measureMs = GetTickCount() - t;

    t = GetTickCount();
    Cycles(kWarmUp);
    Menus(kWarmUp);
    Dialogs(kWarmUp);
    const DWORD warmUpMs = GetTickCount() - t;
    const Figures start = Measure();
    const User afterWarmUp = g_user;

    t = GetTickCount();
    Cycles(kCycles);
    const DWORD cyclesMs = GetTickCount() - t;
    const Figures afterCycles = Measure();

    t = GetTickCount();
    const int commandsBefore = g_user.commands;
    Menus(kMenus);
    const int commandsFromMenus = g_user.commands - commandsBefore;
    const DWORD menusMs = GetTickCount() - t;
    const Figures afterMenus = Measure();

    t = GetTickCount();
    Dialogs(kDialogRounds);
    const DWORD dialogsMs = GetTickCount() - t;
    const Figures end = Measure();

    std::printf("  counted by: %s\n", end.objects.how.c_str());
    Print("agent window created", created, measureMs);
    Print("after the warm-up", start, warmUpMs);
    Print("after cycles", afterCycles, cyclesMs);
    Print("after menus", afterMenus, menusMs);
    Print("after dialogs", end, dialogsMs);

    // The work was done: every cycle, opening and answer happened.
    const int exits = (kDialogRounds + kExitEvery - 1) / kExitEvery;
    EXPECT_EQ(kMenus, g_user.menuOpenings - afterWarmUp.menuOpenings);
    EXPECT_EQ(kDialogRounds, g_user.settingOpenings - afterWarmUp.settingOpenings);
    EXPECT_EQ(kDialogRounds, g_user.aboutOpenings - afterWarmUp.aboutOpenings);
    EXPECT_EQ(kDialogRounds + exits, g_user.passCodeOpenings - afterWarmUp.passCodeOpenings);
    for (int id : {CMD_COMPUTER_LOCK, CMD_SETTING, CMD_ABOUT, CMD_EXIT}) {
        EXPECT_GE(g_user.measured[id] - afterWarmUp.measured[id], kMenus) << "item " << id;
        EXPECT_GE(g_user.drawn[id] - afterWarmUp.drawn[id], kMenus) << "item " << id;
    }
    for (int id : {CMD_SEPARATOR1, CMD_SEPARATOR2})
        EXPECT_EQ(0, g_user.measured[id] + g_user.drawn[id]) << "separator " << id;
    EXPECT_GE(g_user.drawnSelected - afterWarmUp.drawnSelected, kMenus);
    EXPECT_EQ(0, commandsFromMenus) << "Escape chose an item";
    EXPECT_TRUE(IsWindow(hwnd_)) << "a refused Exit ended the agent";
    EXPECT_EQ(0, bench::LockCount()) << "the trusted address locked";
    EXPECT_STREQ(kAddress, g_currentAddress);
    // One log line every 21 cycles (timer ticks add a few).
    const std::string log = bench::ReadWholeFile(folder.File("appAction.log"));
    const int lines = static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    EXPECT_GE(lines, (kCycles + kWarmUp) / 21);
    // OK stored the Setting dialog's list: the address once, and the same code.
    CCommonReg store;
    char entry[kListEntrySize] = {};
    EXPECT_EQ(0, store.ReadListEntry(1, entry));
    EXPECT_STREQ(kAddress, entry);
    EXPECT_EQ(-1, store.ReadListEntry(2, entry));
    EXPECT_STREQ(kDefaultPassCode, g_passCode);

    // Nothing grows beyond the warm-up, but for the pictures that Wine's statics keep.
    const long gdiGrowth =
        static_cast<long>(end.objects.gdi) - static_cast<long>(start.objects.gdi);
    EXPECT_LE(gdiGrowth - (end.staticBitmaps - start.staticBitmaps), kObjectSlack);
    EXPECT_LE(static_cast<long>(end.objects.user) - static_cast<long>(start.objects.user),
              kObjectSlack);
    EXPECT_LE(static_cast<long>(end.privateBytes) - static_cast<long>(start.privateBytes),
              kPrivateSlack);
}

// The counts must see what a leak would leave: objects made on purpose show up, one by
// one, and go again when they are released.
TEST(SoakCounters, SeeObjectsComeAndGo)
{
    // A thread's first window brings along what the system makes for a thread with windows.
    HWND first =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bench::GuiObjects before = bench::CountGuiObjects();

    HBRUSH brushes[4];
    for (HBRUSH& brush : brushes)
        brush = CreateSolidBrush(RGB(1, 2, 3));
    HDC dc = CreateCompatibleDC(nullptr);
    HMENU menus[3];
    for (HMENU& menu : menus)
        menu = CreatePopupMenu();
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    const bench::GuiObjects during = bench::CountGuiObjects();
    // An icon is a USER object; the pictures it holds are the system's business.
    const BYTE andMask[32 * 4] = {};
    const BYTE xorMask[32 * 4] = {};
    HICON icon = CreateIcon(GetModuleHandleA(nullptr), 32, 32, 1, 1, andMask, xorMask);
    const bench::GuiObjects withIcon = bench::CountGuiObjects();

    for (HBRUSH brush : brushes)
        DeleteObject(brush);
    DeleteDC(dc);
    for (HMENU menu : menus)
        DestroyMenu(menu);
    DestroyWindow(window);
    DestroyIcon(icon);
    const bench::GuiObjects after = bench::CountGuiObjects();
    DestroyWindow(first);

    std::printf("  counted by: %s\n", withIcon.how.c_str());
    EXPECT_EQ(before.gdi + 5, during.gdi) << "4 brushes and a DC";
    EXPECT_EQ(before.user + 4, during.user) << "3 menus and a window";
    EXPECT_EQ(during.user + 1, withIcon.user) << "an icon";
    EXPECT_EQ(before.gdi, after.gdi);
    EXPECT_EQ(before.user, after.user);

    // Private bytes follow a megabyte that is committed and released.
    const SIZE_T base = bench::PrivateBytes();
    void* block = VirtualAlloc(nullptr, 1 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    ASSERT_NE(nullptr, block);
    const SIZE_T grown = bench::PrivateBytes();
    VirtualFree(block, 0, MEM_RELEASE);
    EXPECT_GE(grown, base + (1 << 20) - 64 * 1024);
    EXPECT_LE(bench::PrivateBytes(), grown - (1 << 20) + 64 * 1024);
}

} // namespace
