#include "tests/bench/in_process_agent.h"

#include <winsock2.h>

#include <cstring>

#include "agent/agent.h"
#include "agent/agent_command.h"
#include "settings/runtime_options.h"
#include "tests/bench/bench.h"
#include "watch/address_lookup.h"
#include "watch/change_watch.h"
#include "watch/check_cycle.h"

namespace bench {

void InProcessAgent::SetUpTestSuite()
{
    WSADATA data;
    WSAStartup(MAKEWORD(2, 0), &data);
    UseOwnModuleAsAgent();
    LoadMenuPictures();
}

void InProcessAgent::TearDownTestSuite()
{
    DestroyMenuPictures();
    WSACleanup();
}

void InProcessAgent::SetUp()
{
    ClearRegistry();
    ClearLockRecord();
    ASSERT_TRUE(SetResolverAnswer({}));
    std::memset(g_currentAddress, 0, sizeof g_currentAddress);
    g_confirmBox = g_computerLock = g_quickClick = g_recordLog = 0;
    lstrcpyA(g_passCode, kTestPassCode);
    g_passOk = g_passCodeDlgOpen = g_settingDlgOpen = g_aboutDlgOpen = 0;
    g_animFrame = g_checkCount = 0;
}

void InProcessAgent::TearDown()
{
    if (IsWindow(hwnd_))
        DestroyWindow(hwnd_);
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
    ClearRegistry(); // the Run value included
}

void InProcessAgent::StartAgentWindow(std::initializer_list<const char*> answer)
{
    ASSERT_TRUE(SetResolverAnswer(answer));
    hwnd_ = CreateAgentWindow();
    ASSERT_NE(nullptr, hwnd_);
}

} // namespace bench
