// The real Korvane.exe as a child process: one copy at a time, a clean end, and the lock
// on a move to an untrusted address.
#include "agent/agent.h"
#include "tests/harness.h"

namespace {

constexpr DWORD kStartMs = 20000;

class AgentExe : public ::testing::Test {
  protected:
    void SetUp() override
    {
        bench::ClearRegistry();
        bench::ClearLocks();
    }
    void TearDown() override { bench::ClearRegistry(); }
    // Starts Korvane.exe and returns its window once the start is over, its first cycle
    // included: the agent answers a sent message only from its message loop.
    HWND Start(bench::Process& agent, const char* address)
    {
        bench::SetResolverAnswer({address});
        EXPECT_TRUE(agent.Start("\"" + bench::AgentExe() + "\""));
        HWND hwnd = bench::AgentWindow(agent.info.dwProcessId);
        DWORD_PTR result;
        EXPECT_TRUE(SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, &result));
        return hwnd;
    }
    static void Close(bench::Process& agent, HWND hwnd)
    {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        EXPECT_TRUE(agent.Ended(kStartMs));
        EXPECT_EQ(0u, agent.ExitCode());
    }
};

TEST_F(AgentExe, OneCopyRunsAndItsEndFreesTheNameAndTheIcon)
{
    bench::Process first, second, third;
    HWND hwnd = Start(first, "192.168.0.5");
    EXPECT_TRUE(bench::PumpUntil([&] { return bench::TrayIconExists(hwnd); }));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    ASSERT_TRUE(second.Start("\"" + bench::AgentExe() + "\""));
    EXPECT_TRUE(second.Ended(kStartMs));
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_TRUE(IsWindow(hwnd));
    Close(first, hwnd);
    EXPECT_FALSE(bench::TrayIconExists(hwnd));
    hwnd = Start(third, "192.168.0.5");
    EXPECT_TRUE(bench::PumpUntil([&] { return bench::TrayIconExists(hwnd); }));
    Close(third, hwnd);

    // The name held by another program, as a mutex or as something else, keeps it out.
    for (int asEvent = 0; asEvent < 2; ++asEvent) {
        HANDLE held = asEvent ? CreateEventA(nullptr, TRUE, FALSE, "SystemTrayApp_Korvane")
                              : CreateMutexA(nullptr, TRUE, "SystemTrayApp_Korvane");
        bench::Process agent;
        ASSERT_TRUE(agent.Start("\"" + bench::AgentExe() + "\""));
        EXPECT_TRUE(agent.Ended(kStartMs)) << "held as event: " << asEvent;
        EXPECT_EQ(0u, agent.ExitCode());
        CloseHandle(held);
    }
}

TEST_F(AgentExe, ItLocksOnAMoveToAnUntrustedAddressAndNotAtATrustedOne)
{
    {
        bench::Process agent;
        HWND hwnd = Start(agent, "192.168.0.5"); // nothing trusted: the start is a move
        EXPECT_EQ(1, bench::Locks(1)) << bench::LockRecord();
        Close(agent, hwnd);
    }
    bench::ClearLocks();
    bench::Plant("IPList_1", REG_SZ, "192.168.1.10");
    bench::Process agent;
    HWND hwnd = Start(agent, "192.168.1.10");
    EXPECT_EQ(0, bench::Locks(0));
    // Its own timer sees the move. (Cycles are not forced with a sent WM_TIMER here: under
    // Wine a lock started while a message from another process is handled runs twice.)
    bench::SetResolverAnswer({"10.0.0.5"});
    EXPECT_EQ(1, bench::Locks(1)) << bench::LockRecord();
    Close(agent, hwnd);
}

} // namespace
