// Group Policy: what an administrator holds for every user of a computer or for one user.
// Policies live under Software\Policies, which a standard user can read but not write; a
// value in the computer's key wins over the same value in the user's, and a policy over
// the user's own setting. A value of the wrong type or out of range counts as absent.
#pragma once
#include <windows.h>

constexpr char kPolicyKey[] = "Software\\Policies\\Tessmark\\Korvane";
constexpr char kPolicyTrustedKey[] = "Software\\Policies\\Tessmark\\Korvane\\TrustedNetworks";
constexpr int kNotHeld = -1;

// What the policies hold, as read at start-up and whenever Windows says they changed: 0 or 1,
// or kNotHeld where no policy speaks.
struct Policies {
    int confirmBox;      // "DEBUG_chk"
    int computerLock;    // "ComputerLock"
    int quickClick;      // "QuickClick"
    int recordLog;       // "IP_list"
    int autostart;       // "Autostart": 1 the Run value names the program, 0 it is removed
    int userTrustedList; // "UserTrustedList": 0 the user's own list does not count
    int allowExit;       // "AllowExit": 0 Exit is grayed and does nothing
};
extern Policies g_policies;

void ReadPolicies();

inline bool IsHeld(int policy)
{
    return policy != kNotHeld;
}
inline bool OwnListCounts()
{
    return g_policies.userTrustedList != 0;
}
inline bool ExitAllowed()
{
    return g_policies.allowExit != 0;
}

// Hands visit each trusted entry of the policies (the computer's first), read afresh, until
// it returns true; returns whether it did. Values that are not REG_SZ text are skipped.
bool ForEachPolicyEntry(bool (*visit)(const char* entry, LPARAM context), LPARAM context);
