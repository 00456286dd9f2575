// Prints figures of the agent on this machine, asserting nothing:
//  cycle    the cost of an idle check cycle against the bare system calls it cannot avoid
//           (the lookup and the notification call), and of an idle cycle and a cycle after
//           a move without a policy and with 64 trusted networks in one;
//  latency  the latency from rewriting the hosts file to the start of the lock routine,
//           with the real Korvane.exe (the floor is the three-second period);
//  soak     GDI and USER objects and private bytes around thousands of cycles, menus
//           and dialogs (soak.cpp);
//  notify   on the moving bench, the latency from moving the interface's address (the new
//           one added first, or the old one removed first) to the start of the lock routine,
//           with the address-change notification and with the poll alone, side by side.
// Arguments pick some of them; none runs all four.
#include <winsock2.h>
#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "agent/agent.h"
#include "bench/bench_kit.h"
#include "bench/soak.h"
#include "settings/common_reg.h"
#include "settings/policy.h"
#include "watch/check_cycle.h"

namespace {

constexpr int kChanges = 12;
constexpr int kCycles = 300;
constexpr int kPolicyNetworks = 64;
constexpr int kRounds = 5; // turns of each, with and without the policy

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e6 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

// Starts the real Korvane.exe, then makes kChanges moves with move(i) at random points of its
// period and collects each move's latency to the start of the lock routine.
int LockLatencies(void (*move)(int), std::vector<DWORD>& latencies)
{
    kit::ClearLockRecord();
    kit::ScratchDir dir("benchmark");
    kit::Process agent;
    if (!agent.Start("\"" + kit::AgentExe() + "\"", dir.Path().c_str())) {
        std::printf("cannot start %s\n", kit::AgentExe().c_str());
        return 1;
    }
    HWND hwnd = kit::AgentWindow(agent.info.dwProcessId, 20000);
    if (!hwnd || !kit::WaitForLocks(1, 10000)) {
        std::printf("the agent did not start or did not lock\n");
        return 1;
    }
    for (int i = 0; i < kChanges; ++i) {
        kit::PumpMessages(500 + 257 * (i % 11));
        const size_t before = kit::LockTicks().size();
        const DWORD moved = GetTickCount();
        move(i);
        if (!kit::WaitForLocks(before + 1, 15000)) {
            std::printf("no lock after change %d\n", i + 1);
            return 1;
        }
        latencies.push_back(kit::LockTicks().back() - moved);
    }
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    agent.Wait(10000);
    std::sort(latencies.begin(), latencies.end());
    return 0;
}

DWORD Median(const std::vector<DWORD>& sorted)
{
    return sorted[sorted.size() / 2];
}

int MeasureLockLatency()
{
    kit::ClearRegistry();
    kit::SetResolverAnswer({"10.0.1.1"});
    std::vector<DWORD> latencies;
    if (LockLatencies(
            [](int i) {
                char address[20];
                std::snprintf(address, sizeof address, "10.0.2.%d", i + 1);
                kit::SetResolverAnswer({address});
            },
            latencies))
        return 1;
    std::printf("lock latency over %d address changes (hosts file rewritten -> lock routine "
                "started): median %lu ms, min %lu ms, max %lu ms (period 3000 ms)\n",
                kChanges, Median(latencies), latencies.front(), latencies.back());
    return 0;
}

// On the moving bench: moves t0 from its address to the next, in one batch of ip, adding the
// new address first or removing the old one first.
std::string g_at = "10.9.0.5";
int g_moves;

void Move(bool addFirst)
{
    const std::string to = "10.9.1." + std::to_string(++g_moves % 250 + 1);
    const std::string add = "a add " + to + "/24 dev t0", del = "a del " + g_at + "/24 dev t0";
    kit::RunOnHost("printf '" + (addFirst ? add + "\\n" + del : del + "\\n" + add) + "' | ip -b -");
    g_at = to;
}

// The real Korvane.exe on the moving bench, with the system's notification (a move in either
// order) and, by Wine's own iphlpapi.dll for it alone, with the poll alone. The moment of a
// move is taken before the shell that makes it starts, so each figure includes that start
// (measured apart).
int MeasureNotifyLatency()
{
    if (kit::RunOnHost("ip -4 addr flush dev t0 && ip addr add 10.9.0.5/24 dev t0") != 0) {
        std::printf("notify: run me on the moving bench (scripts/bench-shell.sh --net)\n");
        return 1;
    }
    kit::ClearRegistry();
    std::vector<DWORD> addFirst, deleteFirst, polled, shell;
    for (int i = 0; i < 5; ++i) {
        const DWORD start = GetTickCount();
        kit::RunOnHost("true");
        shell.push_back(GetTickCount() - start);
    }
    std::sort(shell.begin(), shell.end());
    constexpr char kOverrides[] = "Software\\Wine\\AppDefaults\\Korvane.exe\\DllOverrides";
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, kOverrides, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                    nullptr);
    RegSetValueExA(key, "iphlpapi", 0, REG_SZ, reinterpret_cast<const BYTE*>("builtin"), 8);
    RegCloseKey(key);
    const int failed = LockLatencies([](int i) { Move(i % 2 == 0); }, polled);
    RegDeleteKeyA(HKEY_CURRENT_USER, kOverrides);
    if (failed || LockLatencies([](int) { Move(true); }, addFirst) ||
        LockLatencies([](int) { Move(false); }, deleteFirst))
        return 1;
    std::vector<DWORD> notified = addFirst;
    notified.insert(notified.end(), deleteFirst.begin(), deleteFirst.end());
    std::sort(notified.begin(), notified.end());
    const auto row = [](const char* what, const std::vector<DWORD>& sorted) {
        std::printf("  %-33s median %lu ms, min %lu ms, max %lu ms\n", what, Median(sorted),
                    sorted.front(), sorted.back());
    };
    std::printf("lock latency over %d moves of the interface's address each (ip started -> lock "
                "routine started; starting the shell that runs ip takes %lu ms of it):\n",
                kChanges, Median(shell));
    row("notification, new address first:", addFirst);
    row("notification, old address gone first:", deleteFirst);
    row("notification, both orders:", notified);
    row("poll alone (both orders):", polled);
    std::printf("  poll / notification: %.1f times (medians)\n",
                double(Median(polled)) / double(std::max<DWORD>(Median(notified), 1)));
    return 0;
}

// The calls one cycle cannot do without, with the same inputs.
void BareLookup()
{
    char name[256] = {};
    DWORD size = sizeof name;
    GetComputerNameA(name, &size);
    gethostbyname(name);
}

void BareNotify(HWND hwnd)
{
    NOTIFYICONDATAA data = g_trayData;
    data.hWnd = hwnd;
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

template <typename Step> double PerCall(Step step)
{
    LARGE_INTEGER from, to;
    QueryPerformanceCounter(&from);
    for (int i = 0; i < kCycles; ++i)
        step();
    QueryPerformanceCounter(&to);
    return Microseconds(from, to) / kCycles;
}

int MeasureCycleCost()
{
    kit::ClearRegistry();
    CCommonReg store;
    const char* trusted[] = {"10.0.3.1", "10.0.3.2", "10.0.3.3", "10.0.3.4", "10.0.3.5"};
    for (int slot = 1; slot <= kTrustedSlots; ++slot)
        store.WriteListEntry(slot, trusted[slot - 1]);
    kit::SetResolverAnswer({"10.0.3.5"}); // trusted: the cycle never locks

    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 0), &wsa);
    kit::UseOwnModuleAsAgent();
    HWND hwnd = CreateAgentWindow();
    if (!hwnd)
        return 1;
    KillTimer(hwnd, AGENT_TIMER_ID);

    const double cycle = PerCall([&] { CheckAddress(hwnd, 1); });
    const double lookup = PerCall(BareLookup);
    const double notify = PerCall([&] { BareNotify(hwnd); });
    const double bare = lookup + notify;
    std::printf("one idle check cycle: %.0f us; its unavoidable system calls: %.0f us (lookup "
                "%.0f, notification %.0f); ratio %.2f (%d calls each)\n",
                cycle, bare, lookup, notify, cycle / bare, kCycles);

    // An idle cycle, and one after a move between two trusted addresses (the trusted test
    // runs), without a policy and with the worst a fleet's policy makes of it: the own list
    // trusts neither address, so all five slots are read, and only the last of 64 networks
    // trusts them. In turns, so that the machine's drift falls on both alike; the medians.
    auto moving = [&](const char* a, const char* b) {
        int turn = 0;
        return PerCall([&] {
            kit::SetResolverAnswer({++turn % 2 ? a : b});
            CheckAddress(hwnd, 1);
        });
    };
    const auto configure = [&](bool policy) {
        for (int slot = 1; slot <= kTrustedSlots; ++slot)
            store.WriteListEntry(slot, policy ? "10.0.2.1" : trusted[slot - 1]);
        SHDeleteKeyA(HKEY_LOCAL_MACHINE, kPolicyKey);
        for (int n = 1; policy && n <= kPolicyNetworks; ++n) {
            char name[8], network[20];
            std::snprintf(name, sizeof name, "%d", n);
            std::snprintf(network, sizeof network, "10.%d.3.0/24", kPolicyNetworks - n);
            SHSetValueA(HKEY_LOCAL_MACHINE, kPolicyTrustedKey, name, REG_SZ, network,
                        static_cast<DWORD>(std::strlen(network)));
        }
    };
    std::vector<double> idle[2], moved[2];
    for (int round = 0; round < 2 * kRounds; ++round) {
        const bool policy = round % 2 != 0;
        configure(policy);
        moved[policy].push_back(moving("10.0.3.4", "10.0.3.5"));
        idle[policy].push_back(PerCall([&] { CheckAddress(hwnd, 1); }));
    }
    const auto median = [](std::vector<double>& figures) {
        std::sort(figures.begin(), figures.end());
        return figures[figures.size() / 2];
    };
    const double idleWithout = median(idle[0]), idleWith = median(idle[1]),
                 movedWithout = median(moved[0]), movedWith = median(moved[1]);
    std::printf("idle cycle: %.0f us without a policy, %.0f us with %d trusted networks; ratio "
                "%.2f (medians of %d turns)\n",
                idleWithout, idleWith, kPolicyNetworks, idleWith / idleWithout, kRounds);
    std::printf("cycle after a trusted move: %.0f us without a policy, %.0f us with %d trusted "
                "networks; ratio %.2f\n",
                movedWithout, movedWith, kPolicyNetworks, movedWith / movedWithout);
    // No move may have locked: else the figures measured something else.
    const bool locked = kit::WaitForLocks(1, 1000);
    DestroyWindow(hwnd);
    kit::ClearRegistry();
    WSACleanup();
    return locked ? 1 : 0; // a lock would mean the networks were not what the cycle read
}

} // namespace

int main(int argc, char** argv)
{
    const struct {
        const char* name;
        int (*run)();
    } parts[] = {{"cycle", MeasureCycleCost},
                 {"latency", MeasureLockLatency},
                 {"soak", RunSoak},
                 {"notify", MeasureNotifyLatency}};
    int failed = 0;
    for (const auto& part : parts) {
        bool chosen = argc == 1;
        for (int i = 1; i < argc; ++i)
            chosen |= std::strcmp(argv[i], part.name) == 0;
        if (chosen)
            failed |= part.run();
    }
    return failed;
}
