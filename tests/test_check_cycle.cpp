// The agent window and its check cycle, in-process: tray record, tip, animation,
// timer handling, the shell's restart and shut-down.
#include <gtest/gtest.h>

#include "agent/agent.h"
#include "tests/bench/bench.h"
#include "tests/bench/in_process_agent.h"
#include "ui/res/resource.h"
#include "watch/check_cycle.h"

namespace {

class CheckCycle : public bench::InProcessAgent {
  protected:
    void SetUp() override
    {
        InProcessAgent::SetUp();
        StartAgentWindow(); // the first cycle, before any address is known
    }
    void Tick() { SendMessageA(hwnd_, WM_TIMER, g_timerId, 0); }
};

TEST_F(CheckCycle, FiveCyclesShowTheFourPicturesInTurnAndTheTipFollowsTheAddress)
{
    EXPECT_STREQ("IP is ", g_trayData.szTip);
    EXPECT_TRUE(bench::TrayIconExists(hwnd_)); // of this window, identifier 2
    // The record's first form, and the callback that brings the clicks.
    EXPECT_EQ(88u, g_trayData.cbSize);
    EXPECT_EQ(7u, g_trayData.uFlags);
    EXPECT_EQ(0x8064u, g_trayData.uCallbackMessage);

    ASSERT_TRUE(bench::SetResolverAnswer({"192.168.0.5", "10.0.0.7"}));
    const WORD pictures[] = {IDI_TRAY_FRAME1, IDI_TRAY_FRAME2, IDI_TRAY_FRAME3, IDI_TRAY_FRAME4,
                             IDI_TRAY_FRAME1};
    for (int cycle = 0; cycle < 5; ++cycle) {
        if (cycle > 0)
            Tick();
        EXPECT_EQ(LoadIconA(g_hInstance, MAKEINTRESOURCEA(pictures[cycle])), g_trayData.hIcon)
            << "cycle " << cycle + 1;
    }
    EXPECT_STREQ("IP is 10.0.0.7", g_tipText);
    EXPECT_STREQ("IP is 10.0.0.7", g_trayData.szTip);
    EXPECT_TRUE(bench::TrayIconExists(hwnd_));
}

TEST_F(CheckCycle, TimerCyclesNeverAddAMissingIconButTaskbarCreatedDoes)
{
    ASSERT_TRUE(Shell_NotifyIconA(NIM_DELETE, &g_trayData));
    Tick();
    EXPECT_FALSE(bench::TrayIconExists(hwnd_));

    const int frame = g_animFrame;
    SendMessageA(hwnd_, g_taskbarCreatedMsg, 0, 0);
    EXPECT_TRUE(bench::TrayIconExists(hwnd_));
    EXPECT_EQ((frame + 1) % 4, g_animFrame); // one extra cycle, the animation goes on
}

TEST_F(CheckCycle, ThePollingTimerRunsCyclesOnItsOwnAndAForeignTimerKeepsIt)
{
    int frame = g_animFrame;
    SendMessageA(hwnd_, WM_TIMER, 42, 0);
    EXPECT_EQ(frame, g_animFrame); // no cycle
    EXPECT_TRUE(bench::PumpUntil([&] { return g_animFrame != frame; }, 2 * AGENT_TIMER_PERIOD_MS));
    frame = g_animFrame;
    EXPECT_TRUE(bench::PumpUntil([&] { return g_animFrame != frame; }, 2 * AGENT_TIMER_PERIOD_MS))
        << "started again after its cycle";
}

TEST_F(CheckCycle, DestroyRemovesTheIconReleasesTheMutexAndQuits)
{
    g_instanceMutex = CreateMutexA(nullptr, TRUE, "KorvaneCheckCycleTest");
    ASSERT_NE(nullptr, g_instanceMutex);
    ASSERT_TRUE(DestroyWindow(hwnd_));
    EXPECT_FALSE(bench::TrayIconExists(hwnd_));
    EXPECT_EQ(nullptr, g_instanceMutex);
    EXPECT_EQ(nullptr, OpenMutexA(SYNCHRONIZE, FALSE, "KorvaneCheckCycleTest")); // closed
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, msg.wParam);
}

} // namespace
