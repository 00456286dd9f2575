// The address-change notification on the moving bench (bench-shell.sh --net), with the poll
// stopped: t0 moves, Wine answers the name from it, the bench's iphlpapi.dll completes requests.
#include <thread>

#include "tests/harness.h"

namespace {

using kit::RunOnHost;

// Every test starts at the trusted 10.9.0.5, the interface's only address.
class Notify : public bench::Agent {
  protected:
    void SetUp() override
    {
        bench::Agent::SetUp();
        ASSERT_EQ(0, RunOnHost("ip -4 addr flush dev t0 && ip addr add 10.9.0.5/24 dev t0"));
        kit::PumpMessages(300); // Wine hears of these changes late under load: not the test's
        bench::Plant("IPList_1", REG_SZ, "10.9.0.5");
    }
};

// the host's commands (a move in one batch), the tip after them, locks, fewest and most cycles
struct Change {
    const char *commands, *tip;
    int locks, fewest, most;
};
class NotifyChanges : public Notify, public ::testing::WithParamInterface<Change> {};

TEST_P(NotifyChanges, EachChangeIsLookedAtAtOnceAndABurstInAFewCyclesNoneLongPutOff)
{
    const Change& row = GetParam();
    bench::Plant("IPList_2", REG_SZ, "10.9.1.8");
    StartAt({});
    ASSERT_EQ(1, g_checkCount); // the first cycle alone
    const int ran = RunOnHost(row.commands);
    if (ran == 3) // under a load that spreads them, the premise of the burst fails, not the agent
        GTEST_SKIP() << "the five changes took more than 100 ms";
    ASSERT_EQ(0, ran);
    EXPECT_TRUE(kit::PumpUntil([&] { return g_checkCount != 1; }, 5000));
    kit::PumpMessages(400); // the last would come by now
    EXPECT_TRUE(row.fewest < g_checkCount && g_checkCount <= row.most + 1) << g_checkCount - 1;
    EXPECT_EQ(std::string("IP is ") + row.tip, g_trayData.szTip);
    EXPECT_EQ(row.locks, bench::Locks(row.locks));
    EXPECT_TRUE(KillTimer(hwnd_, AGENT_TIMER_ID)); // the poll runs again, the safety net
}

#define MOVE(first, then) "printf 'a " first " dev t0\\na " then " dev t0' | ip -b -"
// clang-format off
INSTANTIATE_TEST_SUITE_P(Notify, NotifyChanges, ::testing::Values(
    Change{MOVE("add 10.9.1.7/24", "del 10.9.0.5/24"), "10.9.1.7", 1, 1, 2},
    Change{MOVE("del 10.9.0.5/24", "add 10.9.1.8/24"), "10.9.1.8", 0, 1, 2}, // trusted
    // A lookup that finds no address keeps the last one.
    Change{"ip addr del 10.9.0.5/24 dev t0", "10.9.0.5", 0, 1, 1},
    // Five changes within 100 ms, 12 ms apart (a read that times out: no process to start).
    Change{"t=$(date +%s%N); { for n in 1 2 3 4; do echo a add 10.9.2.$n/24 dev t0; read -t .012 "
           "</dev/zero; done; echo a del 10.9.0.5/24 dev t0; } | ip -b -; "
           "[ $(($(date +%s%N) - t)) -lt 100000000 ] || (exit 3)", "10.9.2.1", 1, 1, 3},
    // A second address that flaps for 0.7 s: a cycle at least every 0.3 s.
    Change{"{ for n in $(seq 18); do for c in add del; do echo a $c 10.9.3.1/24 dev t0; "
           "read -t .02 </dev/zero; done; done; } | ip -b -", "10.9.0.5", 0, 3, 40}));
// clang-format on
#undef MOVE

// A report that is a failure (the stand-in's own control) is no change, and a request that
// fails after it is asked again at the poll's next tick: till then a move goes unheard.
TEST_F(Notify, AFailedReportIsNoChangeAndAFailedRequestIsAskedAgainAtThePollsTick)
{
    StartAt({});
    const auto fail = reinterpret_cast<void(WINAPI*)(LONG, ULONG_PTR)>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("iphlpapi.dll"), "StandinFail")));
    ASSERT_NE(nullptr, fail);
    fail(1, 0xC0000001); // STATUS_UNSUCCESSFUL, then one request refused
    ASSERT_EQ(0, RunOnHost("ip addr add 10.9.1.7/24 dev t0 && ip addr del 10.9.0.5/24 dev t0"));
    kit::PumpMessages(500);
    EXPECT_EQ(1, g_checkCount);
    SendMessageA(hwnd_, WM_TIMER, AGENT_TIMER_ID, 0); // its cycle, and the request again
    KillTimer(hwnd_, AGENT_TIMER_ID);
    ASSERT_EQ(0, RunOnHost("ip addr add 10.9.1.9/24 dev t0 && ip addr del 10.9.1.7/24 dev t0"));
    EXPECT_TRUE(kit::PumpUntil([] { return g_checkCount == 3; }, 2000));
    EXPECT_EQ(2, bench::Locks(2)); // at the tick, and at the move after it
}

// A change that comes while the agent's thread is busy ending: the end waits for the pool's
// callback, which must not wait for that thread in turn.
TEST_F(Notify, AChangeAsTheAgentEndsNeverHoldsUpItsEnd)
{
    StartAt({});
    GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE); // what came so far is not new
    // The move comes later, while this thread takes no message: the news waits, posted or sent.
    ASSERT_EQ(0, RunOnHost("(sleep .2; ip addr add 10.9.4.1/24 dev t0) >/dev/null 2>&1 & true"));
    for (int i = 0; i < 500 && !HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_SENDMESSAGE)); ++i)
        Sleep(10);
    const KernelHandle ended(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    std::thread watchdog([&ended] {
        if (WaitForSingleObject(ended.Get(), 5000) != WAIT_OBJECT_0)
            std::puts("the end waits for a callback that waits for the agent"), ExitProcess(3);
    });
    DestroyWindow(hwnd_);
    SetEvent(ended.Get());
    watchdog.join();
}

TEST_F(Notify, AMoveWhileTheQuestionWaitsIsAskedOnceItIsAnswered)
{
    g_confirmBox = 1;
    StartAt({});
    bench::User user(hwnd_, {{"Check !", bench::Do::Click, IDNO, "",
                              [] {
                                  RunOnHost("ip addr add 10.9.1.9/24 dev t0 && "
                                            "ip addr del 10.9.1.7/24 dev t0");
                                  kit::PumpMessages(300);
                              }},
                             {"Check !", bench::Do::Click, IDNO}});
    ASSERT_EQ(0, RunOnHost("ip addr add 10.9.1.7/24 dev t0 && ip addr del 10.9.0.5/24 dev t0"));
    // Well before the poll's three seconds, and no box over the first.
    kit::PumpUntil([&] { return user.Seen().size() == 2; }, 2000);
    kit::PumpMessages(300);
    EXPECT_EQ((std::vector<bench::Met>{bench::kQuestion, bench::kQuestion}), user.Seen());
    EXPECT_EQ("Change IP\n\rNew IP is 10.9.1.9 \n\rAre PC Lock ?", user.BoxText());
    EXPECT_EQ(0, bench::Locks(0));
}

} // namespace
