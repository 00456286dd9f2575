// The real Korvane.exe as a process: one copy per session, clean shut-down, restart.
#include <gtest/gtest.h>

#include "agent/agent.h"
#include "tests/bench/bench.h"

namespace {

constexpr DWORD kStartTimeoutMs = 20000;

TEST(AgentStartup, SecondCopyEndsAtOnceAndTheFirstRunsOn)
{
    bench::ClearRegistry();
    ASSERT_TRUE(bench::SetResolverAnswer({"192.168.0.5"}));

    bench::Process first;
    ASSERT_TRUE(bench::StartAgent(first));
    HWND hwnd = bench::WaitForAgentWindow(first.Id(), kStartTimeoutMs);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(bench::PumpUntil([&] { return bench::TrayIconExists(hwnd); }, 5000));

    bench::Process second;
    ASSERT_TRUE(bench::StartAgent(second));
    ASSERT_TRUE(second.WaitForExit(kStartTimeoutMs));
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_TRUE(first.Running());
    EXPECT_TRUE(bench::TrayIconExists(hwnd));

    // A WM_CLOSE from outside ends the agent as Exit does: icon gone, mutex free, code 0.
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(first.WaitForExit(kStartTimeoutMs));
    EXPECT_EQ(0u, first.ExitCode());
    EXPECT_FALSE(bench::TrayIconExists(hwnd));
    EXPECT_EQ(nullptr, OpenMutexA(SYNCHRONIZE, FALSE, kInstanceMutexName));

    bench::Process third;
    ASSERT_TRUE(bench::StartAgent(third));
    HWND again = bench::WaitForAgentWindow(third.Id(), kStartTimeoutMs);
    ASSERT_NE(nullptr, again);
    EXPECT_TRUE(bench::PumpUntil([&] { return bench::TrayIconExists(again); }, 5000));
    EXPECT_TRUE(third.Running());
    PostMessageA(again, WM_CLOSE, 0, 0);
    ASSERT_TRUE(third.WaitForExit(kStartTimeoutMs));
    EXPECT_EQ(0u, third.ExitCode());
}

TEST(AgentStartup, NameHeldByAnotherProgramKeepsTheAgentOut)
{
    // Held as a mutex: the usual second-copy case. Held as an event: CreateMutexA gives
    // no handle at all, which must end the start as well, never run unguarded.
    for (int asEvent = 0; asEvent < 2; ++asEvent) {
        HANDLE held = asEvent ? CreateEventA(nullptr, TRUE, FALSE, kInstanceMutexName)
                              : CreateMutexA(nullptr, TRUE, kInstanceMutexName);
        ASSERT_NE(nullptr, held);
        bench::Process agent;
        ASSERT_TRUE(bench::StartAgent(agent));
        ASSERT_TRUE(agent.WaitForExit(kStartTimeoutMs)) << "held as event: " << asEvent;
        EXPECT_EQ(0u, agent.ExitCode());
        CloseHandle(held);
    }
}

} // namespace
