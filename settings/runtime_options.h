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

// The start-up load: the default pass code, then LoadSettings.
void LoadRuntimeOptions();
