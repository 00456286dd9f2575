// The change watch in-process, through real check cycles: which moves log and lock,
// the confirmation question, and the periodic log line.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "agent/agent.h"
#include "settings/common_reg.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/message_box.h"
#include "tests/bench/scratch_dir.h"
#include "watch/address_lookup.h"
#include "watch/change_watch.h"
#include "watch/check_cycle.h"

namespace {

// Long enough for a started lock process to have written its record.
constexpr DWORD kSettleMs = 1500;

class ChangeWatch : public ::testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        WSADATA data;
        ASSERT_EQ(0, WSAStartup(MAKEWORD(2, 0), &data));
        bench::UseOwnModuleAsAgent();
    }
    static void TearDownTestSuite() { WSACleanup(); }

    void SetUp() override
    {
        bench::ClearRegistry();
        bench::ClearLockRecord();
        std::memset(g_currentAddress, 0, sizeof g_currentAddress);
        g_confirmBox = g_recordLog = 0;
        g_checkCount = 0;
    }
    void TearDown() override
    {
        if (IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        // The window's end posts WM_QUIT; left queued it would end the next message box.
        MSG msg;
        PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
        bench::ClearRegistry();
        g_confirmBox = g_recordLog = 0;
    }

    // Starts the agent window at this address (its first cycle runs), timer stopped so
    // the test alone decides when a cycle runs.
    void StartAt(std::initializer_list<const char*> answer)
    {
        ASSERT_TRUE(bench::SetResolverAnswer(answer));
        hwnd_ = CreateAgentWindow();
        ASSERT_NE(nullptr, hwnd_);
        KillTimer(hwnd_, AGENT_TIMER_ID);
    }
    void MoveTo(std::initializer_list<const char*> answer)
    {
        ASSERT_TRUE(bench::SetResolverAnswer(answer));
        CheckAddress(hwnd_, 1);
    }
    int LocksAfterSettling()
    {
        bench::PumpMessages(kSettleMs);
        return bench::LockCount();
    }
    static int LogLines(const bench::ScratchDir& dir)
    {
        int lines = 0;
        for (char c : bench::ReadWholeFile(dir.File("appAction.log")))
            lines += c == '\n';
        return lines;
    }

    HWND hwnd_ = nullptr;
};

TEST_F(ChangeWatch, WithNoTrustedAddressTheFirstCycleLogsAndLocksOnce)
{
    bench::ScratchDir dir("watch-first");
    g_recordLog = 1;
    StartAt({"192.168.0.5"});
    ASSERT_TRUE(bench::WaitForLocks(1, 10000));
    MoveTo({"192.168.0.5"});
    MoveTo({"192.168.0.5"});
    EXPECT_EQ(1, LocksAfterSettling());
    const std::string log = bench::ReadWholeFile(dir.File("appAction.log"));
    EXPECT_EQ(1, LogLines(dir));
    EXPECT_NE(std::string::npos, log.find(" IP:192.168.0.5\n")) << log;
}

TEST_F(ChangeWatch, OnlyMovesToUntrustedAddressesLockAndOnlySlotsBeforeAGapCount)
{
    CCommonReg store;
    ASSERT_EQ(0, store.WriteListEntry(1, "192.168.1.10"));
    ASSERT_EQ(0, store.WriteListEntry(3, "10.0.0.5")); // behind a gap: not trusted

    StartAt({"192.168.1.10"});
    EXPECT_EQ(0, LocksAfterSettling());

    MoveTo({"10.0.0.5"});
    ASSERT_TRUE(bench::WaitForLocks(1, 10000));
    MoveTo({"192.168.1.10"}); // back to trusted: nothing
    MoveTo({});               // the resolver fails: the address stays, no change
    EXPECT_STREQ("192.168.1.10", g_currentAddress);
    MoveTo({"192.168.1.100"}); // a prefix of nothing trusted: exact comparison
    EXPECT_EQ(2, LocksAfterSettling());
}

TEST_F(ChangeWatch, TheConfirmationAsksWithNoAsDefaultAndOnlyYesLocks)
{
    g_confirmBox = 1;
    CCommonReg store;
    ASSERT_EQ(0, store.WriteListEntry(1, "192.168.1.10"));
    StartAt({"192.168.1.10"});
    {
        bench::BoxAnswerer no(IDNO);
        MoveTo({"10.0.0.5"});
        MoveTo({"10.0.0.5"}); // the next cycle does not ask again
        ASSERT_EQ(1, no.Count());
        const bench::SeenBox box = no.Seen()[0];
        EXPECT_EQ("Check !", box.caption);
        EXPECT_EQ("Change IP\n\rNew IP is 10.0.0.5 \n\rAre PC Lock ?", box.text);
        EXPECT_EQ(IDNO, box.defaultButton);
        EXPECT_TRUE(box.topmost);
        EXPECT_EQ(hwnd_, box.owner);
        EXPECT_EQ(LoadIconA(nullptr, IDI_QUESTION), box.icon);
    }
    EXPECT_EQ(0, LocksAfterSettling());
    {
        bench::BoxAnswerer yes(IDYES);
        MoveTo({"10.0.0.6"});
        EXPECT_EQ(1, yes.Count());
    }
    EXPECT_EQ(1, LocksAfterSettling());
}

TEST_F(ChangeWatch, WithAStableAddressEvery21stCycleWritesOneLine)
{
    bench::ScratchDir dir("watch-periodic");
    CCommonReg store;
    ASSERT_EQ(0, store.WriteListEntry(1, "192.168.1.10"));
    StartAt({"192.168.1.10"}); // cycle 1
    g_recordLog = 1;
    for (int cycle = 2; cycle <= 20; ++cycle)
        MoveTo({"192.168.1.10"});
    EXPECT_EQ(0, LogLines(dir));
    MoveTo({"192.168.1.10"}); // cycle 21
    EXPECT_EQ(1, LogLines(dir));
    EXPECT_EQ(0, g_checkCount);

    // The count goes on while logging is off, and lines come back when it is on again.
    g_recordLog = 0;
    for (int cycle = 22; cycle <= 42; ++cycle)
        MoveTo({"192.168.1.10"});
    EXPECT_EQ(1, LogLines(dir));
    EXPECT_EQ(0, g_checkCount);
    EXPECT_EQ(0, bench::LockCount());
}

} // namespace
