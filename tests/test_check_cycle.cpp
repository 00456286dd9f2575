// The agent window and its check cycle, in-process: tray record, tip, animation,
// timer handling, the shell's restart and shut-down.
#include <gtest/gtest.h>

#include <cstring>

#include "agent/agent.h"
#include "tests/bench/bench.h"
#include "ui/res/resource.h"
#include "watch/address_lookup.h"
#include "watch/check_cycle.h"

namespace {

class CheckCycle : public ::testing::Test {
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
        std::memset(g_currentAddress, 0, sizeof g_currentAddress);
        g_animFrame = 0;
        ASSERT_TRUE(bench::SetResolverAnswer({}));
        hwnd_ = CreateAgentWindow(); // runs the first cycle
        ASSERT_NE(nullptr, hwnd_);
    }
    void TearDown() override
    {
        if (IsWindow(hwnd_))
            DestroyWindow(hwnd_);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    void Tick() { SendMessageA(hwnd_, WM_TIMER, g_timerId, 0); }
    static HICON Frame(WORD id)
    {
        return LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
    }

    HWND hwnd_ = nullptr;
};

TEST_F(CheckCycle, FirstCycleAddsTheIconWithAnEmptyAddressInTheTip)
{
    EXPECT_EQ(88u, g_trayData.cbSize);
    EXPECT_EQ(hwnd_, g_trayData.hWnd);
    EXPECT_EQ(2u, g_trayData.uID);
    EXPECT_EQ(7u, g_trayData.uFlags);
    EXPECT_EQ(0x8064u, g_trayData.uCallbackMessage);
    EXPECT_STREQ("IP is ", g_tipText);
    EXPECT_STREQ("IP is ", g_trayData.szTip);
    EXPECT_TRUE(bench::TrayIconExists(hwnd_));
    EXPECT_EQ(AGENT_TIMER_ID, g_timerId);
}

TEST_F(CheckCycle, FiveCyclesShowTheFourPicturesInTurnAndTheTipFollowsTheAddress)
{
    const WORD expected[] = {IDI_TRAY_FRAME1, IDI_TRAY_FRAME2, IDI_TRAY_FRAME3, IDI_TRAY_FRAME4,
                             IDI_TRAY_FRAME1};
    EXPECT_EQ(Frame(expected[0]), g_trayData.hIcon);
    ASSERT_TRUE(bench::SetResolverAnswer({"192.168.0.5", "10.0.0.7"}));
    for (int i = 1; i < 5; ++i) {
        Tick();
        EXPECT_EQ(Frame(expected[i]), g_trayData.hIcon) << "cycle " << i + 1;
    }
    EXPECT_NE(Frame(IDI_TRAY_FRAME1), Frame(IDI_TRAY_FRAME2));
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

TEST_F(CheckCycle, ForeignTimerRunsNoCycleButKeepsThePollingTimer)
{
    const int frame = g_animFrame;
    SendMessageA(hwnd_, WM_TIMER, 42, 0);
    EXPECT_EQ(frame, g_animFrame);
    EXPECT_TRUE(KillTimer(hwnd_, AGENT_TIMER_ID)); // it was running
}

TEST_F(CheckCycle, ThePollingTimerRunsACycleOnItsOwn)
{
    const int frame = g_animFrame;
    EXPECT_TRUE(bench::PumpUntil([&] { return g_animFrame != frame; }, 2 * AGENT_TIMER_PERIOD_MS));
    EXPECT_TRUE(KillTimer(hwnd_, AGENT_TIMER_ID)); // started again after its cycle
}

TEST_F(CheckCycle, DestroyRemovesTheIconReleasesTheMutexAndQuits)
{
    g_instanceMutex = CreateMutexA(nullptr, TRUE, "KorvaneCheckCycleTest");
    ASSERT_NE(nullptr, g_instanceMutex);
    ASSERT_TRUE(DestroyWindow(hwnd_));
    EXPECT_FALSE(bench::TrayIconExists(hwnd_));
    EXPECT_EQ(nullptr, g_instanceMutex);

    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(0u, msg.wParam);
    HANDLE probe = OpenMutexA(SYNCHRONIZE, FALSE, "KorvaneCheckCycleTest");
    EXPECT_EQ(nullptr, probe); // released and closed
}

} // namespace
