// The run-time options: four switches (1 = on; every test is for exactly 1) and the pass code.
#pragma once

constexpr int kPassCodeSize = 256;
constexpr char kDefaultPassCode[] = "8306";

extern int g_confirmBox;
extern int g_computerLock;
extern int g_quickClick;
extern int g_recordLog;
extern char g_passCode[kPassCodeSize];

// Loads the four switches and the pass code from the store; absent values keep theirs.
// A stored code that is not usable text makes the code empty, which the PassCode dialog
// never accepts.
int LoadSettings();

// The start-up load: the default pass code, LoadSettings, then the policies, which hold
// switches over the user's own values and may set or remove the Run value.
void LoadRuntimeOptions();

// The load again, from switches off, when Windows says the policies changed: a switch a
// policy no longer holds shows the user's own value at once.
void ReloadRuntimeOptions();
