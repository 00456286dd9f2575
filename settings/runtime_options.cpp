// The run-time options and their load at start-up.
#include "settings/runtime_options.h"

#include <windows.h>

int g_confirmBox;
int g_computerLock;
int g_quickClick;
int g_recordLog;
char g_passCode[kPassCodeSize];

void LoadRuntimeOptions()
{
    // The default lives in memory only; the Setting dialog's OK stores whatever code it shows.
    if (g_passCode[0] == '\0')
        lstrcpyA(g_passCode, kDefaultPassCode);
}
