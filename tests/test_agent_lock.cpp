// The main job end to end: the real Korvane.exe under the bench, its address moved by
// rewriting the hosts file, its locks seen by the recorder, its questions answered.
#include <gtest/gtest.h>

#include <string>

#include "settings/common_reg.h"
#include "tests/bench/bench.h"
#include "tests/bench/scratch_dir.h"
#include "tests/bench/ui_driver.h"

namespace {

constexpr DWORD kStartMs = 20000;
// A change shows within one period (3 s) plus a start of the lock routine.
constexpr DWORD kChangeMs = 10000;
// Two full periods: what did not happen by then does not happen.
constexpr DWORD kQuietMs = 7000;

class AgentLock : public ::testing::Test {
  protected:
    void SetUp() override
    {
        bench::ClearRegistry();
        bench::ClearLockRecord();
    }
    void TearDown() override
    {
        if (hwnd_) {
            PostMessageA(hwnd_, WM_CLOSE, 0, 0);
            EXPECT_TRUE(agent_.WaitForExit(kStartMs));
            EXPECT_EQ(0u, agent_.ExitCode());
        }
        bench::ClearRegistry();
    }
    // Starts Korvane.exe in a fresh folder at this address.
    void StartAt(const char* address)
    {
        ASSERT_TRUE(bench::SetResolverAnswer({address}));
        ASSERT_TRUE(bench::StartAgent(agent_, dir_.Path().c_str()));
        hwnd_ = bench::WaitForAgentWindow(agent_.Id(), kStartMs);
        ASSERT_NE(nullptr, hwnd_);
    }
    bool WaitForBoxes(const bench::UserThread& answerer, int count)
    {
        return bench::PumpUntil([&] { return answerer.Count() >= count; }, kChangeMs);
    }

    bench::ScratchDir dir_{"agent-lock"};
    bench::Process agent_;
    HWND hwnd_ = nullptr;
    CCommonReg store_;
};

TEST_F(AgentLock, WithNoTrustedAddressItLogsAndLocksRightAfterStartAndOnlyOnce)
{
    ASSERT_EQ(0, store_.WriteSetting(SETTING_IP_LIST, "", 1));
    StartAt("192.168.0.5");
    ASSERT_TRUE(bench::WaitForLocks(1, kChangeMs));
    bench::PumpMessages(kQuietMs);
    EXPECT_EQ(1, bench::LockCount());
    const std::string log = bench::ReadWholeFile(dir_.File("appAction.log"));
    EXPECT_NE(std::string::npos, log.find(" IP:192.168.0.5\n")) << log;
    EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line: " << log;
}

TEST_F(AgentLock, MovesToAnUntrustedAddressLockAndMovesBackDoNot)
{
    ASSERT_EQ(0, store_.WriteListEntry(1, "192.168.1.10"));
    ASSERT_EQ(0, store_.WriteListEntry(3, "10.0.0.5")); // behind a missing slot 2
    StartAt("192.168.1.10");
    bench::PumpMessages(kQuietMs);
    EXPECT_EQ(0, bench::LockCount());

    ASSERT_TRUE(bench::SetResolverAnswer({"10.0.0.5"}));
    ASSERT_TRUE(bench::WaitForLocks(1, kChangeMs));
    ASSERT_TRUE(bench::SetResolverAnswer({"192.168.1.10"}));
    bench::PumpMessages(kQuietMs);
    ASSERT_TRUE(bench::SetResolverAnswer({})); // a failing resolver is no change
    bench::PumpMessages(kQuietMs);
    EXPECT_EQ(1, bench::LockCount());
}

TEST_F(AgentLock, WithTheDebugBoxNoLeavesTheDesktopAloneAndYesLocks)
{
    ASSERT_EQ(0, store_.WriteSetting(SETTING_DEBUG, "", 1));
    ASSERT_EQ(0, store_.WriteListEntry(1, "192.168.1.10"));
    StartAt("192.168.1.10");
    {
        bench::UserThread no([] {}, IDNO, agent_.Id());
        ASSERT_TRUE(bench::SetResolverAnswer({"10.0.0.5"}));
        ASSERT_TRUE(WaitForBoxes(no, 1));
        bench::PumpMessages(kQuietMs); // the next cycles do not ask again
        ASSERT_EQ(1, no.Count());
        EXPECT_EQ("Check !", no.Seen()[0].caption);
        EXPECT_EQ("Change IP\n\rNew IP is 10.0.0.5 \n\rAre PC Lock ?", no.Seen()[0].text);
    }
    EXPECT_EQ(0, bench::LockCount());
    bench::UserThread yes([] {}, IDYES, agent_.Id());
    ASSERT_TRUE(bench::SetResolverAnswer({"10.0.0.6"}));
    EXPECT_TRUE(bench::WaitForLocks(1, kChangeMs));
    EXPECT_EQ(1, yes.Count());
}

TEST_F(AgentLock, ALockThatCannotStartWarnsOncePerAttemptAndPollingGoesOn)
{
    bench::BrokenLockRoutine broken;
    ASSERT_TRUE(broken.Ok());
    StartAt("192.168.0.5");
    bench::UserThread answer([] {}, IDOK, agent_.Id());
    ASSERT_TRUE(WaitForBoxes(answer, 1));
    bench::PumpMessages(kQuietMs);
    EXPECT_EQ(1, answer.Count());
    ASSERT_TRUE(bench::SetResolverAnswer({"10.0.0.7"}));
    EXPECT_TRUE(WaitForBoxes(answer, 2));
    EXPECT_TRUE(agent_.Running());
    EXPECT_EQ(0, bench::LockCount());
}

} // namespace
