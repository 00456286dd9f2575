// The settings store: every persistent value of the agent, in the current user's registry.
// Each operation opens its key, reads, writes or deletes one value, and closes the key.
// Results: 0 done, -1 failed (unless said otherwise).
#pragma once

// Selects a settings value of the private key.
enum SettingKind {
    SETTING_APP1 = 1,          // "APP1_chk"
    SETTING_APP2 = 2,          // "APP2_chk"
    SETTING_DEBUG = 3,         // "DEBUG_chk": ask before locking on an address change
    SETTING_COMPUTER_LOCK = 4, // "ComputerLock": Easy PC Lock
    SETTING_QUICK_CLICK = 5,   // "QuickClick": Quick Lock
    SETTING_IP_LIST = 6,       // "IP_list": activity log on
    SETTING_LOGOFF = 7,        // "Logoff"
    SETTING_SHUTDOWN = 8,      // "Shutdown"
    SETTING_BIG_ICON = 9,      // "BigIconUse"
    SETTING_PASS_CODE = 10,    // "AppDirectory": the pass code text
};

constexpr char kSettingsKey[] = "SOFTWARE\\Tessmark\\Korvane";
constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunValueName[] = "Korvane.EXE";
// Task Manager's Startup tab keeps its own mark for the Run value here; Explorer skips the
// value while the mark says disabled.
constexpr char kStartupApprovedKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

constexpr int kSettingTextSize = 2048; // textOut of ReadSetting
constexpr int kListEntrySize = 256;    // textOut of ReadListEntry
constexpr int kTrustedSlots = 5;       // "IPList_1" ... "IPList_5"

// The value name of a flag kind (1-9); nullptr for any other kind.
const char* FlagName(SettingKind kind);

class CCommonReg {
  public:
    CCommonReg() = default;
    virtual ~CCommonReg();

    int SetAutoStart(int on);
    int IsAutoStart(); // 1 when the Run value exists and is not marked disabled, else 0
    int WriteSetting(SettingKind kind, const char* text, int value);
    // textOut gets the pass code text (empty when absent or not readable as text); flagOut
    // the flag for kinds 1-9, and for SETTING_PASS_CODE 1 when "AppDirectory" exists.
    int ReadSetting(SettingKind kind, char* textOut, int* flagOut);
    int WriteListEntry(int slot, const char* text);
    int ReadListEntry(int slot, char* textOut);
    int DeleteListEntry(int slot);
};
