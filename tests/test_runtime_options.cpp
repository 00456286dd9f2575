// The option load in the real start-up: Korvane.exe reads the store before its window
// exists, and comes up whatever the store holds.
#include <gtest/gtest.h>

#include <string>

#include "tests/bench/bench.h"
#include "tests/bench/registry.h"

namespace {

TEST(RuntimeOptionsStartup, AgentComesUpOverAHostileStore)
{
    bench::ClearRegistry();
    ASSERT_TRUE(bench::SetResolverAnswer({"192.168.0.5"}));
    // Flags of the wrong type, a pass code that the store reads but g_passCode cannot
    // hold, list entries that fill their buffer exactly without a terminator.
    for (const char* flag : {"DEBUG_chk", "ComputerLock", "QuickClick", "IP_list"})
        ASSERT_TRUE(
            bench::PutValue(bench::kSettingsKeyPath, flag, REG_QWORD, std::string(8, '\1')));
    ASSERT_TRUE(
        bench::PutValue(bench::kSettingsKeyPath, "AppDirectory", REG_SZ, std::string(2047, '1')));
    for (const char* slot : {"IPList_1", "IPList_2", "IPList_3", "IPList_4", "IPList_5"})
        ASSERT_TRUE(bench::PutValue(bench::kSettingsKeyPath, slot, REG_SZ, std::string(256, '2')));

    bench::Process agent;
    ASSERT_TRUE(bench::StartAgent(agent));
    HWND hwnd = bench::WaitForAgentWindow(agent.Id(), 20000);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(bench::PumpUntil([&] { return bench::TrayIconExists(hwnd); }, 5000));
    // A check cycle or two, each reading the trusted list.
    Sleep(4000);
    EXPECT_TRUE(agent.Running());
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    ASSERT_TRUE(agent.WaitForExit(20000));
    EXPECT_EQ(0u, agent.ExitCode());
    bench::ClearRegistry();
}

} // namespace
