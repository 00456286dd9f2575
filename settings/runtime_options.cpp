// The run-time options and their load at start-up.
#include "settings/runtime_options.h"

#include <windows.h>

#include "settings/common_reg.h"
#include "settings/policy.h"

int g_confirmBox;
int g_computerLock;
int g_quickClick;
int g_recordLog;
char g_passCode[kPassCodeSize];

namespace {

// A switch whose value is absent keeps what it holds.
void LoadSwitch(CCommonReg& store, SettingKind kind, char* text, int& option)
{
    int flag = 0;
    if (store.ReadSetting(kind, text, &flag) == 0)
        option = flag;
}

// A switch a policy holds takes the policy's value; the user's own stays stored underneath.
void Hold(int& option, int policy)
{
    if (IsHeld(policy))
        option = policy;
}

void ApplyPolicies()
{
    ReadPolicies();
    Hold(g_confirmBox, g_policies.confirmBox);
    Hold(g_computerLock, g_policies.computerLock);
    Hold(g_quickClick, g_policies.quickClick);
    Hold(g_recordLog, g_policies.recordLog);
    // Made true at every start, whoever changed the Run value since.
    if (IsHeld(g_policies.autostart)) {
        CCommonReg store;
        store.SetAutoStart(g_policies.autostart);
    }
}

} // namespace

int LoadSettings()
{
    CCommonReg store;
    char text[kSettingTextSize];
    LoadSwitch(store, SETTING_DEBUG, text, g_confirmBox);
    LoadSwitch(store, SETTING_COMPUTER_LOCK, text, g_computerLock);
    LoadSwitch(store, SETTING_QUICK_CLICK, text, g_quickClick);
    LoadSwitch(store, SETTING_IP_LIST, text, g_recordLog);
    // A stored code that cannot be used (not text, no terminator, too long for g_passCode,
    // empty) leaves the empty code, which opens nothing: falling back to the default would
    // open the gate with the code printed in the guide. Cut short it would be a code nobody
    // chose.
    int exists = 0;
    if (store.ReadSetting(SETTING_PASS_CODE, text, &exists) == 0 && exists == 1)
        lstrcpyA(g_passCode, lstrlenA(text) < kPassCodeSize ? text : "");
    return 1;
}

void LoadRuntimeOptions()
{
    // The default holds only while no code is stored at all. It lives in memory only; the
    // Setting dialog's OK stores whatever code it shows.
    lstrcpyA(g_passCode, kDefaultPassCode);
    LoadSettings();
    ApplyPolicies();
}

void ReloadRuntimeOptions()
{
    // A switch a policy held until now goes back to the user's own value, or to off.
    g_confirmBox = g_computerLock = g_quickClick = g_recordLog = 0;
    LoadRuntimeOptions();
}
