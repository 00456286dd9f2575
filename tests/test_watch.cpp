// The check cycle in-process against the bench's resolver and lock recorder: the address,
// the tray icon, which moves lock, the question before a lock, the log and the lock itself.
#include "agent/agent.h"
#include "settings/runtime_options.h"
#include "tests/harness.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"
#include "watch/workstation_lock.h"

namespace {

using bench::Locks;
using bench::Plant;

class Watch : public bench::Agent {};

TEST_F(Watch, TheLastAnswerWinsAFailedLookupKeepsItAndTheIconFollows)
{
    StartAt({"192.168.0.5", "10.0.0.7"});
    EXPECT_STREQ("10.0.0.7", g_currentAddress);
    EXPECT_STREQ("IP is 10.0.0.7", g_trayData.szTip);
    // Each cycle shows the next of four pictures, through the icon the first cycle added.
    HICON shown[8];
    for (HICON& icon : shown) {
        Cycle({});
        icon = g_trayData.hIcon;
    }
    EXPECT_STREQ("10.0.0.7", g_currentAddress);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NE(nullptr, shown[i]);
        EXPECT_EQ(shown[i], shown[i + 4]);
        EXPECT_NE(shown[i], shown[(i + 1) % 4]);
    }
    EXPECT_TRUE(bench::TrayIconExists(hwnd_));
    Cycle({"10.1.2.3"});
    EXPECT_STREQ("IP is 10.1.2.3", g_trayData.szTip);

    // Cycles never put back an icon the shell lost; its restart does.
    Shell_NotifyIconA(NIM_DELETE, &g_trayData);
    Cycle({"10.1.2.3"});
    EXPECT_FALSE(bench::TrayIconExists(hwnd_));
    SendMessageA(hwnd_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(bench::TrayIconExists(hwnd_));
    EXPECT_EQ(2, Locks(2)); // the start and 10.1.2.3: nothing is trusted
}

TEST_F(Watch, OnlyAMoveToAnAddressNotTrustedByteForByteBeforeTheFirstGapLocks)
{
    // trusted slots ("" = none), the answers of the cycles after the start, locks
    const struct {
        std::initializer_list<const char*> trusted, moves;
        int locks;
    } rows[] = {
        {{"192.168.1.10"}, {"192.168.1.10", "192.168.1.10"}, 0},
        {{"192.168.1.10"}, {"10.0.0.5", "10.0.0.5"}, 1},
        {{"192.168.1.10"}, {"192.168.1.100", "192.168.1.1"}, 2},
        {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "192.168.1.10"}, 0},
        {{"192.168.1.10", "", "10.0.0.5"}, {"10.0.0.5"}, 1},
        {{"10.0.0.5 ", "10.0.0.50", "192.168.1.10"}, {"10.0.0.5"}, 1},
        {{"192.168.1.10"}, {"", "", "10.0.0.5", "", "10.0.0.5"}, 1}, // "" fails the lookup
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(&row - rows);
        int slot = 0;
        for (const char* address : row.trusted) {
            ++slot;
            if (*address)
                Plant(("IPList_" + std::to_string(slot)).c_str(), REG_SZ, address);
        }
        StartAt({"192.168.1.10"});
        for (const char* address : row.moves)
            *address ? Cycle({address}) : Cycle({});
        EXPECT_EQ(row.locks, Locks(row.locks));
        TearDown();
        SetUp();
    }
}

TEST_F(Watch, WithTheQuestionOnNoIsTheDefaultAndOnlyYesLocks)
{
    g_confirmBox = 1;
    Plant("IPList_1", REG_SZ, "192.168.1.10");
    StartAt({"192.168.1.10"});
    {
        bench::User user(hwnd_, {{"Check !", bench::PressDefault}});
        Cycle({"10.0.0.5"});
        Cycle({"10.0.0.5"}); // no change: no second question
        EXPECT_EQ("Check !", user.Seen());
    }
    EXPECT_EQ(0, Locks(0));
    bench::User user(hwnd_, {{"Check !", bench::Press, ":6"}}); // IDYES
    Cycle({"10.0.0.6"});
    EXPECT_EQ(1, Locks(1));
}

TEST_F(Watch, TheLogTakesEveryUntrustedMoveAndEvery21stCycle)
{
    char saved[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    SetCurrentDirectoryA(bench::ProgramDir().c_str());
    const std::string log = bench::ProgramDir() + "appAction.log";
    DeleteFileA(log.c_str());
    Plant("IPList_1", REG_SZ, "192.168.1.10");
    StartAt({"192.168.1.10"}); // cycle 1
    g_recordLog = 1;
    for (int cycle = 2; cycle <= 20; ++cycle)
        Cycle({"192.168.1.10"});
    EXPECT_EQ("", bench::ReadFile(log));
    Cycle({"10.0.0.5"}); // cycle 21: the periodic line, then the move's
    g_recordLog = 0;
    Cycle({"10.0.0.6"});
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string lines = bench::ReadFile(log);
    ASSERT_EQ(64u, lines.size()) << lines;
    for (size_t at : {0, 32}) {
        EXPECT_EQ(std::to_string(now.wYear) + "/", lines.substr(at, 5));
        EXPECT_EQ(" IP:10.0.0.5\n", lines.substr(at + 19, 13));
    }
    DeleteFileA(log.c_str());
    SetCurrentDirectoryA(saved);
}

UINT WINAPI TooLong(LPSTR, UINT)
{
    return 0x40000000; // the size a system directory would need
}

TEST_F(Watch, TheLockRunsTheSystemRoutineByItsPathClosesItsHandlesAndWarnsWhenItCannot)
{
    // A system32\rundll32.exe planted in the current directory must never run instead.
    char saved[MAX_PATH], system[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, saved);
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string planted = bench::ProgramDir() + "planted";
    CreateDirectoryA(planted.c_str(), nullptr);
    CreateDirectoryA((planted + "\\system32").c_str(), nullptr);
    CopyFileA((std::string(system) + "\\rundll32.exe").c_str(),
              (planted + "\\system32\\rundll32.exe").c_str(), FALSE);
    SetCurrentDirectoryA(planted.c_str());
    auto openHandles = [] {
        int open = 0;
        DWORD flags;
        for (UINT_PTR value = 4; value < 0x10000; value += 4)
            open += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
        return open;
    };
    const int before = openHandles();
    EXPECT_EQ(1, LockWorkstation(nullptr));
    EXPECT_EQ(before, openHandles());
    SetCurrentDirectoryA(saved);
    const std::string program = std::string(system) + "\\rundll32.exe";
    EXPECT_EQ(program + "\t\"" + program + "\" user32.dll,LockWorkStation\n",
              bench::LockRecord().substr(bench::LockRecord().find('\t') + 1));

    // No lock routine to start: one warning per attempt, owned by the caller, nothing runs.
    StartAt({});
    bench::User user(hwnd_, {{"", bench::PressDefault}, {"", bench::PressDefault}});
    {
        bench::ImportSwap swap("kernel32.dll", "GetSystemDirectoryA",
                               reinterpret_cast<const void*>(TooLong));
        EXPECT_EQ(0, LockWorkstation(hwnd_));
    }
    MoveFileA(program.c_str(), (program + ".saved").c_str());
    EXPECT_EQ(0, LockWorkstation(hwnd_));
    MoveFileA((program + ".saved").c_str(), program.c_str());
    EXPECT_EQ(std::string::npos, user.Seen().find('!'));
    EXPECT_EQ(1, Locks(1));
}

} // namespace
