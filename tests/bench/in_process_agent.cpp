#include "tests/bench/in_process_agent.h"

#include <winsock2.h>

#include <cstring>

#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "watch/address_lookup.h"

namespace bench {

void StartInProcessAgentSuite()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 0), &data);
    UseOwnModuleAsAgent();
    LoadMenuPictures();
}

void EndInProcessAgentSuite()
{
    DestroyMenuPictures();
    WSACleanup();
}

InProcessAgent::InProcessAgent()
{
    ClearRegistry();
    ClearLockRecord();
    SetResolverAnswer({});
    std::memset(g_currentAddress, 0, sizeof g_currentAddress);
    g_confirmBox = 0;
    g_computerLock = 0;
    g_quickClick = 0;
    g_recordLog = 0;
    lstrcpyA(g_passCode, kTestPassCode);
    g_passOk = 0;
    g_passCodeDlgOpen = 0;
    g_settingDlgOpen = 0;
    g_aboutDlgOpen = 0;
    hwnd_ = CreateAgentWindow(); // runs the first cycle, which adds the icon
}

InProcessAgent::~InProcessAgent()
{
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ClearRegistry();
}

} // namespace bench
