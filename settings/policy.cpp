// The policies, read from the computer's key and then the user's.
#include "settings/policy.h"

#include "settings/common_reg.h"
#include "settings/reg_key.h"

Policies g_policies = {kNotHeld, kNotHeld, kNotHeld, kNotHeld, kNotHeld, kNotHeld, kNotHeld};

namespace {

// The computer's key first: its values win.
const HKEY kPolicyRoots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER};
// Group Policy writes the 64-bit view; a 32-bit program on 64-bit Windows would otherwise
// read HKLM\Software through its WOW64 view. 32-bit Windows ignores the flag.
constexpr REGSAM kPolicyAccess = KEY_READ | KEY_WOW64_64KEY;
constexpr DWORD kValueNameSize = 16384; // the registry's longest value name, and its zero

// A REG_DWORD of 0 or 1 from the first key that holds one.
int ReadHeld(const char* name)
{
    for (HKEY root : kPolicyRoots) {
        RegKey key;
        DWORD number = 0;
        if (key.Open(root, kPolicyKey, kPolicyAccess) && ReadFlag(key.Get(), name, &number) &&
            number <= 1)
            return static_cast<int>(number);
    }
    return kNotHeld;
}

// Values of any name; one whose text does not fit an entry could trust nothing anyway.
bool VisitEntries(HKEY key, bool (*visit)(const char*, LPARAM), LPARAM context)
{
    char name[kValueNameSize];
    for (DWORD index = 0;; ++index) {
        char text[kListEntrySize];
        DWORD nameSize = kValueNameSize, size = sizeof text - 1, type = REG_NONE;
        const LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type,
                                          reinterpret_cast<BYTE*>(text), &size);
        if (result == ERROR_NO_MORE_ITEMS)
            return false;
        if (result != ERROR_SUCCESS || type != REG_SZ)
            continue;
        text[size] = '\0'; // stored without its terminator, the text still ends here
        if (visit(text, context))
            return true;
    }
}

} // namespace

void ReadPolicies()
{
    g_policies.confirmBox = ReadHeld(FlagName(SETTING_DEBUG));
    g_policies.computerLock = ReadHeld(FlagName(SETTING_COMPUTER_LOCK));
    g_policies.quickClick = ReadHeld(FlagName(SETTING_QUICK_CLICK));
    g_policies.recordLog = ReadHeld(FlagName(SETTING_IP_LIST));
    g_policies.autostart = ReadHeld("Autostart");
    g_policies.userTrustedList = ReadHeld("UserTrustedList");
    g_policies.allowExit = ReadHeld("AllowExit");
}

bool ForEachPolicyEntry(bool (*visit)(const char* entry, LPARAM context), LPARAM context)
{
    for (HKEY root : kPolicyRoots) {
        RegKey key;
        if (key.Open(root, kPolicyTrustedKey, kPolicyAccess) &&
            VisitEntries(key.Get(), visit, context))
            return true;
    }
    return false;
}
