// The change watch in-process, through real check cycles: which moves lock, the
// confirmation question, and the periodic log line. (Right after start: test_agent_lock.)
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "agent/agent.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "tests/bench/in_process_agent.h"
#include "tests/bench/scratch_dir.h"
#include "tests/bench/stored_values.h"
#include "tests/bench/ui_driver.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

class ChangeWatch : public bench::InProcessAgent {
  protected:
    // The agent window at this address (its first cycle runs), its timer stopped so the
    // test alone decides when a cycle runs.
    void StartAt(const char* address)
    {
        StartAgentWindow({address});
        KillTimer(hwnd_, AGENT_TIMER_ID);
    }
    void MoveTo(std::initializer_list<const char*> answer)
    {
        ASSERT_TRUE(bench::SetResolverAnswer(answer));
        CheckAddress(hwnd_, 1);
    }
    // Long enough for a started lock process to have written its record.
    static int LocksAfterSettling()
    {
        bench::PumpMessages(1500);
        return bench::LockCount();
    }
    static int LogLines(const bench::ScratchDir& dir)
    {
        const std::string log = bench::ReadWholeFile(dir.File("appAction.log"));
        return static_cast<int>(std::count(log.begin(), log.end(), '\n'));
    }
};

TEST_F(ChangeWatch, OnlyMovesToUntrustedAddressesLockAndOnlySlotsBeforeAGapCount)
{
    bench::StoreText("IPList_1", "192.168.1.10");
    bench::StoreText("IPList_3", "10.0.0.5"); // behind a gap
    StartAt("192.168.1.10");
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
    bench::StoreText("IPList_1", "192.168.1.10");
    StartAt("192.168.1.10");
    {
        bench::UserThread no([] {}, IDNO);
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
    bench::UserThread yes([] {}, IDYES);
    MoveTo({"10.0.0.6"});
    EXPECT_EQ(1, yes.Count());
    EXPECT_EQ(1, LocksAfterSettling());
}

TEST_F(ChangeWatch, WithAStableAddressEvery21stCycleWritesOneLine)
{
    bench::ScratchDir dir("watch-periodic");
    bench::StoreText("IPList_1", "192.168.1.10");
    StartAt("192.168.1.10"); // cycle 1
    g_recordLog = 1;
    for (int cycle = 2; cycle <= 20; ++cycle)
        MoveTo({"192.168.1.10"});
    EXPECT_EQ(0, LogLines(dir));
    MoveTo({"192.168.1.10"}); // cycle 21
    EXPECT_EQ(1, LogLines(dir));

    // The count goes on while logging is off.
    g_recordLog = 0;
    for (int cycle = 22; cycle <= 31; ++cycle)
        MoveTo({"192.168.1.10"});
    g_recordLog = 1;
    for (int cycle = 32; cycle <= 41; ++cycle)
        MoveTo({"192.168.1.10"});
    EXPECT_EQ(1, LogLines(dir));
    MoveTo({"192.168.1.10"}); // cycle 42
    EXPECT_EQ(2, LogLines(dir));
    EXPECT_EQ(0, bench::LockCount());
}

} // namespace
