// The run-time options and their load at start-up.
#include "settings/runtime_options.h"

#include <windows.h>

#include "settings/common_reg.h"

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

} // namespace

int LoadSettings()
{
    CCommonReg store;
    char text[kSettingTextSize];
    LoadSwitch(store, SETTING_DEBUG, text, g_confirmBox);
    LoadSwitch(store, SETTING_COMPUTER_LOCK, text, g_computerLock);
    LoadSwitch(store, SETTING_QUICK_CLICK, text, g_quickClick);
    LoadSwitch(store, SETTING_IP_LIST, text, g_recordLog);
    // A stored code too long for g_passCode is ignored, as any text too long for its
    // buffer is: cut short it would be a code nobody chose, and nobody could type it.
    int flag = 0;
    if (store.ReadSetting(SETTING_PASS_CODE, text, &flag) == 0 && lstrlenA(text) < kPassCodeSize)
        lstrcpyA(g_passCode, text);
    return 1;
}

void LoadRuntimeOptions()
{
    LoadSettings();
    // The default lives in memory only; the Setting dialog's OK stores whatever code it shows.
    if (g_passCode[0] == '\0')
        lstrcpyA(g_passCode, kDefaultPassCode);
}
