// The check cycle in-process against the bench's resolver and lock recorder: the address,
// the tray icon, which moves lock, the question before a lock, the log and the lock itself.
#include "tests/harness.h"

namespace {

using namespace bench;

class Watch : public bench::Agent {};

// The message filter's calls, through this program's import of GetProcAddress: Wine's filter
// does nothing a test could see.
std::vector<std::pair<HWND, UINT>> g_allowed;
decltype(&GetProcAddress) g_getProcAddress;

BOOL WINAPI RecordFilter(HWND hwnd, UINT message, DWORD action, void*)
{
    g_allowed.emplace_back(action == 1 ? hwnd : nullptr, message); // MSGFLT_ALLOW
    return TRUE;
}

FARPROC WINAPI FindRecorder(HMODULE module, LPCSTR name)
{
    if (HIWORD(name) && lstrcmpA(name, "ChangeWindowMessageFilterEx") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(RecordFilter));
    return g_getProcAddress(module, name);
}

TEST_F(Watch, TheLastAnswerWinsAFailedLookupKeepsItTheIconFollowsAndTheShellGetsThrough)
{
    void** slot = bench::ImportSlot("kernel32.dll", "GetProcAddress");
    g_getProcAddress = reinterpret_cast<decltype(g_getProcAddress)>(
        std::exchange(*slot, reinterpret_cast<void*>(FindRecorder)));
    StartAt({"192.168.0.5", "10.0.0.7"});
    *slot = reinterpret_cast<void*>(g_getProcAddress);
    // Started elevated, the agent still hears the tray and the shell's restart, and nothing else.
    EXPECT_EQ(
        (std::vector<std::pair<HWND, UINT>>{{hwnd_, WM_TRAYNOTIFY}, {hwnd_, g_taskbarCreatedMsg}}),
        g_allowed);
    EXPECT_STREQ("IP is 10.0.0.7", g_trayData.szTip);
    // Each cycle shows the next of four different pictures, through the icon the first added.
    HICON shown[8];
    for (HICON& icon : shown) {
        Cycle({});
        icon = g_trayData.hIcon;
    }
    EXPECT_STREQ("10.0.0.7", g_currentAddress);
    const std::set<HICON> pictures(shown, shown + 4);
    EXPECT_EQ(4u, pictures.size() - pictures.count(nullptr));
    EXPECT_TRUE(std::equal(shown, shown + 4, shown + 4));
    EXPECT_TRUE(bench::TrayIconExists(hwnd_));
    Cycle({"10.1.2.3"});
    EXPECT_STREQ("IP is 10.1.2.3", g_trayData.szTip);

    // Cycles never put back an icon the shell lost; its restart does.
    Shell_NotifyIconA(NIM_DELETE, &g_trayData);
    Cycle({"10.1.2.3"});
    EXPECT_FALSE(bench::TrayIconExists(hwnd_));
    SendMessageA(hwnd_, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(bench::TrayIconExists(hwnd_));
    EXPECT_EQ(2, Locks(2)); // the start and 10.1.2.3: nothing is trusted
}

// trusted slots ("" = none), the answers of the cycles after the start ("" fails the lookup),
// the question's answer (none: it is off), locks, a policy's networks and held values
struct Move {
    std::vector<const char*> trusted, moves;
    std::vector<bench::Step> answer;
    int locks;
    std::vector<const char*> networks = {};
    std::vector<bench::Held> held = {};
};
class Moves : public bench::Agent, public ::testing::WithParamInterface<Move> {};

TEST_P(Moves, OnlyAMoveToAnAddressNoEntryInForceTrustsLocks)
{
    const Move& row = GetParam();
    for (size_t i = 0; i < row.trusted.size(); ++i)
        if (*row.trusted[i])
            Plant(("IPList_" + std::to_string(i + 1)).c_str(), REG_SZ, row.trusted[i]);
    bench::PlantPolicy(row.held, row.networks);
    LoadRuntimeOptions();
    g_confirmBox = !row.answer.empty();
    StartAt({"192.168.1.10"});
    {
        bench::User user(hwnd_, row.answer);
        for (const char* address : row.moves)
            *address ? Cycle({address}) : Cycle({});
        EXPECT_EQ(std::vector<bench::Met>(row.answer.size(), kQuestion), user.Seen());
        EXPECT_EQ(row.answer.empty() ? "" : "Change IP\n\rNew IP is 10.0.0.5 \n\rAre PC Lock ?",
                  user.BoxText());
    }
    EXPECT_EQ(row.locks, Locks(row.locks));
}

INSTANTIATE_TEST_SUITE_P(
    Watch, Moves,
    ::testing::ValuesIn(std::vector<Move>{
        // clang-format off
    {{"192.168.1.10"}, {"192.168.1.10", "192.168.1.10"}, {}, 0},
    {{"192.168.1.10"}, {"10.0.0.5", "10.0.0.5"}, {}, 1},
    {{"192.168.1.10"}, {"192.168.1.100", "192.168.1.1"}, {}, 2},
    {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.5", "192.168.1.10"}, {}, 0},
    {{"192.168.1.10", "", "10.0.0.5"}, {"10.0.0.5"}, {}, 1},
    {{"192.168.1.10"}, {"", "", "10.0.0.5", "", "10.0.0.5"}, {}, 1},
    {{"192.168.1.10"}, {"10.0.0.5", "10.0.0.5"}, {{"Check !", Do::Enter}}, 0}, // a stray Enter is No
    {{"192.168.1.10"}, {"10.0.0.5", "10.0.0.5"}, {{"Check !", Do::Click, IDYES}}, 1}, // Yes
    // policies' networks in the user's key and the computer's, the own list set aside
    {{"192.168.1.10", "10.0.0.5"}, {"10.0.0.2", "10.0.0.5", "10.2.0.5", "192.168.1.10", "10.0.0.4"},
     {}, 4, {"10.2.0.0/16", "10.0.0.0/30"}, {{"UserTrustedList", 0}}},
        // clang-format on
    }));

// A question asked by the first cycle, or by the one the shell's restart runs, holds off any
// other: that cycle runs once it is answered, never a second question over the first.
TEST_F(Watch, AQuestionAtTheStartOrAfterTheShellsRestartHoldsOffOtherCycles)
{
    g_confirmBox = 1;
    const HWND owner =
        CreateWindowA("STATIC", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    for (const bool restart : {false, true}) {
        bench::User user(owner, {{"Check !", Do::Click, IDNO, "",
                                  [] {
                                      bench::SetResolverAnswer({"10.0.0.6"});
                                      SendMessageA(g_trayData.hWnd, WM_TIMER, AGENT_SETTLE_TIMER_ID,
                                                   0);
                                  }},
                                 {"Check !", Do::Click, IDNO}});
        restart ? SendMessageA(hwnd_, g_taskbarCreatedMsg, 0, 0) : (StartAt({"10.0.0.5"}), 0);
        const bench::Met unowned = bench::Box("Check !", kQuestion.buttons, bench::kUnowned);
        EXPECT_EQ((std::vector<bench::Met>{unowned, unowned}), user.Seen()); // the agent's
        bench::SetResolverAnswer({"10.0.0.5"});
    }
    DestroyWindow(owner);
}

// Each policy set while the agent runs as the ADMX makes Group Policy write it (policy-cases.txt,
// made by the build): enabled in the user's key, disabled in the computer's, over own values of
// the other sense, beside values that must not count. It takes effect at "Policy", then goes.
TEST_F(Watch, EachPolicyAsTheTemplatesWriteItTakesEffectWhileTheAgentRuns)
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::ifstream lines(std::string(path, std::strrchr(path, '\\') + 1) + "policy-cases.txt");
    std::map<std::string, std::vector<std::array<std::string, 6>>> cases; // by "policy state"
    for (std::array<std::string, 6> write; std::getline(lines, write[0], '\t');) {
        for (int i = 1; i < 6; ++i)
            std::getline(lines, write[i], i < 5 ? '\t' : '\n');
        cases[write[0] + " " + write[1]].push_back(write);
    }
    ASSERT_EQ(16u, cases.size());
    const std::map<std::string, int*> switches = {{"ComputerLock", &g_computerLock},
                                                  {"QuickClick", &g_quickClick},
                                                  {"DEBUG_chk", &g_confirmBox},
                                                  {"IP_list", &g_recordLog}};
    const auto policyChanged = [&] { SendMessageA(hwnd_, WM_SETTINGCHANGE, 0, LPARAM("Policy")); };
    int decoys = 0;
    for (const auto& [name, writes] : cases) {
        SCOPED_TRACE(name);
        const std::string policy = name.substr(0, name.find(' '));
        const int on = name.find(" enabled") != std::string::npos;
        const HKEY root = on ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
        Plant(policy.c_str(), REG_DWORD, bench::Dword(!on)); // a switch's own value
        Plant("IPList_1", REG_SZ, "10.20.0.8");
        Plant("IPList_2", REG_SZ, "10.20.0.9"); // the move below, unless the list is set aside
        if (!on) {                              // what the disabled policies must take away
            Plant(kRunValueName, REG_SZ, "C:\\Korvane.exe", kRunKey);
            Plant("1", REG_SZ, "10.30.0.0/16", kPolicyTrustedKey, root);
        }
        LoadRuntimeOptions();
        StartAt({"10.20.0.8"});
        // The user's value that the computer's overrides, or a wrong type, or out of range.
        const DWORD type = on && ++decoys % 2 ? REG_SZ : REG_DWORD;
        Plant(policy.c_str(), type, type == REG_SZ ? "0" : bench::Dword(on ? 2 : 1), kPolicyKey,
              on ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER); // the other key
        for (const auto& [_, state, key, value, kind, data] : writes) {
            if (kind == "REG_DWORD" || kind == "REG_SZ")
                Plant(value.c_str(), kind == "REG_SZ" ? REG_SZ : REG_DWORD,
                      kind == "REG_SZ" ? data : bench::Dword(std::stoul(data)), key.c_str(), root);
            else if (kind == "LIST")
                Plant((value + "1").c_str(), REG_SZ, "10.30.0.0/16", key.c_str(), root);
            else
                kind == "DELETE" ? SHDeleteValueA(root, key.c_str(), value.c_str())
                                 : SHDeleteKeyA(root, key.c_str());
        }
        policyChanged();
        Cycle({policy == "TrustedNetworks" ? "10.30.1.1" : "10.20.0.9"});
        const int trusted = Locks(policy.find("Trusted") != std::string::npos && !on) == 0;
        std::map<std::string, int> effects = {
            {"AllowExit", ExitAllowed()},
            {"Autostart", bench::Stored(kRunValueName, kRunKey) != "-"},
            {"UserTrustedList", trusted},
            {"TrustedNetworks", trusted}};
        for (const auto& [flag, option] : switches)
            effects[flag] = *option;
        EXPECT_EQ(on, effects.at(policy));
        if (policy == "TrustedNetworks" && on) { // and a move out of the network locks
            Cycle({"10.31.1.1"});
            EXPECT_EQ(1, Locks(1));
        }
        for (HKEY hive : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            SHDeleteKeyA(hive, kPolicyKey);
        policyChanged();
        if (switches.count(policy)) { // the own switch is back
            EXPECT_EQ(!on, *switches.at(policy));
        }
        TearDown();
        SetUp();
    }
}

using WriteFileFn = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
WriteFileFn g_writeFile;
bool g_otherWriting;

// Another agent's line (two sessions, two users of one copy) lands between this one's open and
// write: forced, as Wine's racing writers lose lines anyway (Windows appends atomically).
BOOL WINAPI OtherLineFirst(HANDLE file, LPCVOID data, DWORD size, LPDWORD done, LPOVERLAPPED at)
{
    if (!std::exchange(g_otherWriting, true)) {
        WriteActionLog();
        g_otherWriting = false;
    }
    return g_writeFile(file, data, size, done, at);
}

TEST_F(Watch, TheLogTakesEveryUntrustedMoveAndEvery21stCycleAndLosesNoOtherAgentsLine)
{
    // Next to the program, not in the current directory.
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, MAX_PATH);
    const std::string log = std::string(program, std::strrchr(program, '\\') + 1) + "appAction.log";
    DeleteFileA(log.c_str());
    DeleteFileA("appAction.log");
    Plant("IPList_1", REG_SZ, "192.168.1.10");
    StartAt({"10.0.0.9"}); // logging off: an untrusted start writes nothing
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(log.c_str()));
    g_checkCount = 0;
    Cycle({"192.168.1.10"}); // cycle 1
    g_recordLog = 1;
    for (int cycle = 2; cycle <= 20; ++cycle)
        Cycle({"192.168.1.10"});
    EXPECT_EQ("", bench::ReadWholeFile(log));
    Cycle({"10.0.0.5"}); // cycle 21: the periodic line, then the move's
    for (int cycle = 22; cycle <= 41; ++cycle)
        Cycle({"10.0.0.5"});
    EXPECT_EQ(64u, bench::ReadWholeFile(log).size());
    Cycle({"10.0.0.5"}); // cycle 42
    void** slot = bench::ImportSlot("kernel32.dll", "WriteFile");
    ASSERT_NE(nullptr, slot);
    g_writeFile = reinterpret_cast<WriteFileFn>(
        std::exchange(*slot, reinterpret_cast<void*>(OtherLineFirst)));
    WriteActionLog(); // and another agent's line meanwhile
    *slot = reinterpret_cast<void*>(g_writeFile);
    SYSTEMTIME now;
    GetLocalTime(&now);
    const std::string lines = bench::ReadWholeFile(log);
    ASSERT_EQ(160u, lines.size()) << lines;
    for (size_t at = 0; at < lines.size(); at += 32) {
        EXPECT_EQ(std::to_string(now.wYear) + "/", lines.substr(at, 5));
        EXPECT_EQ(" IP:10.0.0.5\n", lines.substr(at + 19, 13));
    }
    EXPECT_EQ("", bench::ReadWholeFile("appAction.log"));
    DeleteFileA(log.c_str());
    EXPECT_EQ(2, Locks(2)); // the start and the move
}

UINT WINAPI TooLong(LPSTR buffer, UINT size)
{
    lstrcpynA(buffer, "C:\\windows\\system32", size);
    return 0x40000000; // a path in the buffer, but a size that does not fit
}

TEST_F(Watch, TheLockRunsTheSystemRoutineByItsPathClosesItsHandlesAndWarnsWhenItCannot)
{
    // A system32\rundll32.exe planted in the current directory must never run instead.
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string program = std::string(system) + "\\rundll32.exe";
    CreateDirectoryA("system32", nullptr);
    CopyFileA(program.c_str(), "system32\\rundll32.exe", FALSE);
    auto openHandles = [] {
        int open = 0;
        DWORD flags;
        for (UINT_PTR value = 4; value < 0x10000; value += 4)
            open += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
        return open;
    };
    const int before = openHandles();
    EXPECT_EQ(1, LockWorkstation(nullptr));
    EXPECT_EQ(before, openHandles());
    EXPECT_EQ(program + "\t\"" + program + "\" user32.dll,LockWorkStation\n",
              bench::LockRecord().substr(bench::LockRecord().find('\t') + 1));

    // No lock routine to start, or one a policy (the user's, the computer's) makes do nothing:
    // one warning per attempt, owned by the caller, nothing runs.
    StartAt({});
    const char* caption = "\x8e\xc0\x8d\x73\x83\x47\x83\x89\x81\x5b"; // 実行エラー
    bench::User user(hwnd_, std::vector<bench::Step>(4, {caption, Do::Enter}));
    const char* lockPolicy = "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        Plant("DisableLockWorkstation", REG_DWORD, bench::Dword(1), lockPolicy, root);
        EXPECT_EQ(0, LockWorkstation(hwnd_));
        SHDeleteValueA(root, lockPolicy, "DisableLockWorkstation");
    }
    void** slot = bench::ImportSlot("kernel32.dll", "GetSystemDirectoryA");
    void* real = std::exchange(*slot, reinterpret_cast<void*>(TooLong));
    EXPECT_EQ(0, LockWorkstation(hwnd_));
    *slot = real;
    MoveFileA(program.c_str(), (program + ".saved").c_str());
    EXPECT_EQ(0, LockWorkstation(hwnd_));
    MoveFileA((program + ".saved").c_str(), program.c_str());
    EXPECT_EQ(std::vector<bench::Met>(4, bench::Box(caption, MB_OK)), user.Seen()); // owned
    EXPECT_EQ(1, Locks(1));
}

} // namespace
