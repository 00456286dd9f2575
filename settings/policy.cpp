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
    const struct {
        const char* name;
        int& held;
    } values[] = {{FlagName(SETTING_DEBUG), g_policies.confirmBox},
                  {FlagName(SETTING_COMPUTER_LOCK), g_policies.computerLock},
                  {FlagName(SETTING_QUICK_CLICK), g_policies.quickClick},
                  {FlagName(SETTING_IP_LIST), g_policies.recordLog},
                  {"Autostart", g_policies.autostart},
                  {"UserTrustedList", g_policies.userTrustedList},
                  {"AllowExit", g_policies.allowExit}};
    for (const auto& value : values)
        value.held = kNotHeld;
    // Each key opened once; a REG_DWORD of 0 or 1 in the computer's wins over the user's.
    for (HKEY root : kPolicyRoots) {
        RegKey key;
        if (!key.Open(root, kPolicyKey, kPolicyAccess))
            continue;
        for (const auto& value : values) {
            DWORD number = 0;
            if (!IsHeld(value.held) && ReadFlag(key.Get(), value.name, &number) && number <= 1)
                value.held = static_cast<int>(number);
        }
    }
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
