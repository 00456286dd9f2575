// Prints figures of the agent on this machine, asserting nothing:
//  cycle    the cost of one check cycle against the bare system calls it cannot avoid
//           (the lookup, the notification call, the five reads of the trusted list);
//  latency  the latency from rewriting the hosts file to the start of the lock routine,
//           with the real Korvane.exe (the floor is the three-second period);
//  soak     GDI and USER objects and private bytes around thousands of cycles, menus
//           and dialogs (soak.cpp).
// Arguments pick some of them; none runs all three.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "agent/agent.h"
#include "bench/bench_kit.h"
#include "bench/soak.h"
#include "settings/common_reg.h"
#include "watch/check_cycle.h"

namespace {

constexpr int kChanges = 12;
constexpr int kCycles = 300;

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1e6 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

int MeasureLockLatency()
{
    kit::ClearRegistry();
    kit::ClearLockRecord();
    kit::ScratchDir dir("benchmark");
    kit::SetResolverAnswer({"10.0.1.1"});
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

    std::vector<DWORD> latencies;
    for (int i = 0; i < kChanges; ++i) {
        // Changes fall at random points of the period, as real ones do.
        kit::PumpMessages(500 + 257 * (i % 11));
        const size_t before = kit::LockTicks().size();
        char address[20];
        std::snprintf(address, sizeof address, "10.0.2.%d", i + 1);
        const DWORD written = GetTickCount();
        kit::SetResolverAnswer({address});
        if (!kit::WaitForLocks(before + 1, 15000)) {
            std::printf("no lock after change %d\n", i + 1);
            return 1;
        }
        latencies.push_back(kit::LockTicks().back() - written);
    }
    PostMessageA(hwnd, WM_CLOSE, 0, 0);
    agent.Wait(10000);

    std::sort(latencies.begin(), latencies.end());
    const DWORD median = latencies[latencies.size() / 2];
    std::printf("lock latency over %d address changes (hosts file rewritten -> lock routine "
                "started): median %lu ms, min %lu ms, max %lu ms (period 3000 ms)\n",
                kChanges, median, latencies.front(), latencies.back());
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

void BareListReads()
{
    for (int slot = 1; slot <= kTrustedSlots; ++slot) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
            continue;
        char value[16], text[256];
        DWORD bytes = sizeof text;
        std::snprintf(value, sizeof value, "IPList_%d", slot);
        RegQueryValueExA(key, value, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &bytes);
        RegCloseKey(key);
    }
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
    const double reads = PerCall(BareListReads);
    const double bare = lookup + notify + reads;
    std::printf("one check cycle: %.0f us; its unavoidable system calls: %.0f us (lookup %.0f, "
                "notification %.0f, five list reads %.0f); ratio %.2f (%d calls each)\n",
                cycle, bare, lookup, notify, reads, cycle / bare, kCycles);
    DestroyWindow(hwnd);
    kit::ClearRegistry();
    WSACleanup();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const struct {
        const char* name;
        int (*run)();
    } parts[] = {{"cycle", MeasureCycleCost}, {"latency", MeasureLockLatency}, {"soak", RunSoak}};
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
