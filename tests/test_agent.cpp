// The real Korvane.exe as a child process: one copy at a time, a clean end, the lock on a
// move to an untrusted address, no planted DLL, autostart from a Unicode folder.
#include "tests/harness.h"

namespace {

constexpr DWORD kStartMs = 20000;

std::wstring Wide(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

// The in-process agent's set-up (a clean registry and lock record) for the real one.
class AgentExe : public bench::Agent {
  protected:
    // Starts Korvane.exe and returns its window once the start is over, its first cycle
    // included: the agent answers a sent message only from its message loop.
    HWND Start(bench::Process& agent, const char* address,
               std::wstring exe = Wide(bench::AgentExe()))
    {
        bench::SetResolverAnswer({address});
        std::wstring line = L"\"" + exe + L"\"";
        STARTUPINFOW si = {};
        si.cb = sizeof si;
        EXPECT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &si, &agent.info));
        HWND hwnd = bench::AgentWindow(agent.info.dwProcessId);
        EXPECT_TRUE(SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, kStartMs, nullptr));
        return hwnd;
    }
    static void Close(bench::Process& agent, HWND hwnd)
    {
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
        EXPECT_EQ(0u, agent.Wait(kStartMs));
    }
};

TEST_F(AgentExe, OneCopyRunsAndANameHeldByAnotherProgramKeepsItOut)
{
    bench::Process first, second;
    HWND hwnd = Start(first, "192.168.0.5");
    EXPECT_EQ(1, bench::Locks(1)) << bench::LockRecord(); // nothing trusted: the start is a move
    EXPECT_TRUE(bench::PumpUntil([&] { return bench::TrayIconExists(hwnd); }));
    EXPECT_FALSE(IsWindowVisible(hwnd));
    ASSERT_TRUE(second.Start("\"" + bench::AgentExe() + "\""));
    EXPECT_EQ(0u, second.Wait(kStartMs));
    EXPECT_TRUE(IsWindow(hwnd));
    Close(first, hwnd);

    // The name held by another program as something else than a mutex keeps it out too.
    HANDLE held = CreateEventA(nullptr, TRUE, FALSE, "SystemTrayApp_Korvane");
    bench::Process third;
    ASSERT_TRUE(third.Start("\"" + bench::AgentExe() + "\""));
    EXPECT_EQ(0u, third.Wait(kStartMs));
    CloseHandle(held);
}

// The end in this process, which plays the agent: the icon goes while the window still exists
// (Wine would drop it with the window anyway), and the name is free at once, so a new copy
// starts (one that finds it taken ends at once) while the first process still lives.
TEST_F(AgentExe, TheEndRemovesTheIconAndFreesTheNameBeforeTheProcessEnds)
{
    g_instanceMutex.Reset(CreateMutexA(nullptr, TRUE, kInstanceMutexName));
    StartAt({"192.168.0.5"});
    ASSERT_TRUE(bench::TrayIconExists(hwnd_));
    AgentWndProc(hwnd_, WM_DESTROY, 0, 0);
    EXPECT_TRUE(IsWindow(hwnd_));
    EXPECT_FALSE(bench::TrayIconExists(hwnd_));
    bench::Process copy;
    Close(copy, Start(copy, "192.168.0.5"));
}

// A copy in a folder the ANSI code page cannot spell, beside a DLL planted under the name of one
// the system loads later (theming's): it locks at an untrusted move only, the autostart policy's
// Run value names its Unicode path, a sign-in starts it, and no start loads the DLL (Wine takes
// one from the program's folder only with a "native" override, read by program name).
TEST_F(AgentExe, ACopyOutsideTheCodePageLocksAutostartsAndLoadsNoDllPlantedBesideIt)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const std::string planted = std::string(path, std::strrchr(path, '\\') + 1) + "planted.dll";
    const std::wstring dir = L"C:\\\x30b3\x30eb\x30f4\x30a1\x30f3 Tools\\",
                       exe = dir + L"Planted.exe", dll = dir + L"uxtheme.dll";
    CreateDirectoryW(dir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(Wide(bench::AgentExe()).c_str(), exe.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(Wide(planted).c_str(), dll.c_str(), FALSE));
    DeleteFileW((dll + L".loaded").c_str());
    const char* wine[] = {"Software\\Wine\\AppDefaults\\Planted.exe\\DllOverrides",
                          "Software\\Wine\\AppDefaults\\Planted.exe"};
    bench::Plant("uxtheme", REG_SZ, std::string("native", 7), wine[0]);
    bench::Plant("IPList_1", REG_SZ, "192.168.1.10");
    bench::Plant("Autostart", REG_DWORD, bench::Dword(1), kPolicyKey);
    bench::Process agent;
    HWND hwnd = Start(agent, "192.168.1.10", exe);
    EXPECT_EQ(0, bench::Locks(0));

    std::wstring run(1024, L'\0');
    DWORD size = run.size() * sizeof(wchar_t);
    EXPECT_EQ(0,
              RegGetValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                           L"Korvane.EXE", RRF_RT_REG_SZ, nullptr, &run[0], &size));
    EXPECT_EQ(L"\"" + exe + L"\"", run.c_str());

    // Its own timer sees the move (under Wine, a lock started by a sent WM_TIMER runs twice).
    bench::SetResolverAnswer({"10.0.0.5"});
    EXPECT_EQ(1, bench::Locks(1)) << bench::LockRecord();
    Close(agent, hwnd);
    bench::Process boot;
    ASSERT_TRUE(boot.Start("wineboot.exe"));
    EXPECT_EQ(0u, boot.Wait(kStartMs));
    hwnd = bench::AgentWindow(0);
    ASSERT_NE(nullptr, hwnd);
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(bench::PumpUntil([&] { return !IsWindow(hwnd); }));
    for (const char* key : wine)
        RegDeleteKeyA(HKEY_CURRENT_USER, key);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW((dll + L".loaded").c_str()));
    bench::PumpUntil([&] { return DeleteFileW(exe.c_str()); });
    DeleteFileW(dll.c_str());
    RemoveDirectoryW(dir.c_str());
}

} // namespace
