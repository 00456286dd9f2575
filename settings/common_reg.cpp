// The settings store. Every operation opens its key, touches one value and closes the key
// again: nothing is cached, so every caller sees what the registry holds at that moment.
#include "settings/common_reg.h"

#include "settings/reg_key.h"

#include <windows.h>

#include <strsafe.h>

#include <cstring>

namespace {

constexpr int kRunTextSize = 1024; // the Run value's text and its query buffer
constexpr char kPassCodeValue[] = "AppDirectory";
constexpr wchar_t kRunValueNameW[] = L"Korvane.EXE"; // for the wide call

constexpr bool SameName(const char* narrow, const wchar_t* wide)
{
    return *narrow == *wide && (*narrow == '\0' || SameName(narrow + 1, wide + 1));
}
static_assert(SameName(kRunValueName, kRunValueNameW), "one Run value, two spellings");

// Value names of the flag kinds 1-9, by kind.
constexpr const char* kFlagNames[] = {nullptr,        "APP1_chk",   "APP2_chk", "DEBUG_chk",
                                      "ComputerLock", "QuickClick", "IP_list",  "Logoff",
                                      "Shutdown",     "BigIconUse"};

bool IsFlagKind(int kind)
{
    return kind >= SETTING_APP1 && kind <= SETTING_BIG_ICON;
}

bool IsSlot(int slot)
{
    return slot >= 1 && slot <= kTrustedSlots;
}

void SlotName(int slot, char (&name)[16])
{
    // Callers pass a slot from 1 to kTrustedSlots: always fits.
    StringCchPrintfA(name, sizeof name, "IPList_%d", slot);
}

// Length of text when it fits a buffer of size bytes with its terminator, else -1.
int FittingLength(const char* text, int size)
{
    for (int n = 0; n < size; ++n) {
        if (text[n] == '\0')
            return n;
    }
    return -1;
}

// Texts go out with a byte count equal to their length, without the terminator (the
// system keeps it anyway when the byte after the count is a zero, as it is here).
bool WriteText(HKEY key, const char* name, const char* text, int length)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(length)) == ERROR_SUCCESS;
}

} // namespace

const char* FlagName(SettingKind kind)
{
    return IsFlagKind(kind) ? kFlagNames[kind] : nullptr;
}

CCommonReg::~CCommonReg() = default;

int CCommonReg::SetAutoStart(int on)
{
    RegKey run;
    if (!run.Create(HKEY_CURRENT_USER, kRunKey))
        return -1;
    if (on != 1) {
        RegDeleteValueA(run.Get(), kRunValueName);
        return 0;
    }
    // The program file itself, not the current directory: at logon the agent runs from
    // elsewhere. Its wide path: the ANSI one turns characters outside the code page into
    // '?', and the system could not start that. Quoted, so a path with blanks cannot
    // start another program first.
    wchar_t text[kRunTextSize];
    constexpr DWORD kPathRoom = kRunTextSize - 2; // leaves room for the quotes
    DWORD n = GetModuleFileNameW(nullptr, text + 1, kPathRoom);
    if (n == 0 || n >= kPathRoom)
        return 0;
    text[0] = L'"';
    text[n + 1] = L'"';
    text[n + 2] = L'\0';
    // A path IsAutoStart could not read back through its ANSI buffer is not stored, so
    // the Setting box never disagrees with the registry.
    int ansiSize = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (ansiSize <= 0 || ansiSize > kRunTextSize)
        return 0;
    // Wide texts go out with their terminator, as the system expects.
    DWORD bytes = (n + 3) * sizeof text[0];
    if (RegSetValueExW(run.Get(), kRunValueNameW, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                       bytes) != ERROR_SUCCESS)
        return -1;
    // Autostart on means the agent starts: a "disabled" mark from Task Manager would make
    // Explorer skip the value. Without a mark the value counts as enabled.
    RegKey approved;
    if (approved.Open(HKEY_CURRENT_USER, kStartupApprovedKey, KEY_SET_VALUE))
        RegDeleteValueA(approved.Get(), kRunValueName);
    return 0;
}

int CCommonReg::IsAutoStart()
{
    RegKey run;
    if (!run.Open(HKEY_CURRENT_USER, kRunKey, KEY_READ))
        return 0;
    // Only the existence counts; a value too long for the buffer counts as absent.
    char text[kRunTextSize];
    DWORD n = sizeof text;
    if (RegQueryValueExA(run.Get(), kRunValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(text),
                         &n) != ERROR_SUCCESS)
        return 0;
    // Task Manager's mark: its first byte is odd (03) while disabled, even (02, 06) while not.
    RegKey approved;
    BYTE mark[64] = {};
    n = sizeof mark;
    const bool disabled = approved.Open(HKEY_CURRENT_USER, kStartupApprovedKey, KEY_READ) &&
                          RegQueryValueExA(approved.Get(), kRunValueName, nullptr, nullptr, mark,
                                           &n) == ERROR_SUCCESS &&
                          n > 0 && (mark[0] & 1) != 0;
    return disabled ? 0 : 1;
}

int CCommonReg::WriteSetting(SettingKind kind, const char* text, int value)
{
    RegKey settings;
    if (!settings.Create(HKEY_CURRENT_USER, kSettingsKey))
        return -1;
    if (IsFlagKind(kind)) {
        DWORD number = static_cast<DWORD>(value);
        return RegSetValueExA(settings.Get(), kFlagNames[kind], 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&number),
                              sizeof number) == ERROR_SUCCESS
                   ? 0
                   : -1;
    }
    if (kind != SETTING_PASS_CODE)
        return 0;
    // A text the readers could not take back is refused rather than stored cut short.
    int length = text ? FittingLength(text, kSettingTextSize) : 0;
    if (length < 0)
        return -1;
    return WriteText(settings.Get(), kPassCodeValue, text ? text : "", length) ? 0 : -1;
}

int CCommonReg::ReadSetting(SettingKind kind, char* textOut, int* flagOut)
{
    RegKey settings;
    if (!settings.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ))
        return -1;
    DWORD number = 0;
    bool flagFound = !IsFlagKind(kind) || ReadFlag(settings.Get(), kFlagNames[kind], &number);
    // Every kind brings the pass code text along; absent or unreadable means empty.
    char text[kSettingTextSize];
    ReadText(settings.Get(), kPassCodeValue, text, sizeof text);
    if (!flagFound)
        return -1;
    if (textOut)
        lstrcpyA(textOut, text);
    // For the pass code the flag tells whether the value exists at all, whatever it holds:
    // an empty text alone cannot tell an unreadable code from none.
    if (kind == SETTING_PASS_CODE)
        number = RegQueryValueExA(settings.Get(), kPassCodeValue, nullptr, nullptr, nullptr,
                                  nullptr) == ERROR_SUCCESS;
    if (flagOut)
        *flagOut = number == 1 ? 1 : 0;
    return 0;
}

int CCommonReg::WriteListEntry(int slot, const char* text)
{
    if (!IsSlot(slot))
        return -1;
    int length = text ? FittingLength(text, kListEntrySize) : 0;
    if (length < 0)
        return -1;
    RegKey settings;
    if (!settings.Create(HKEY_CURRENT_USER, kSettingsKey))
        return -1;
    char name[16];
    SlotName(slot, name);
    return WriteText(settings.Get(), name, text ? text : "", length) ? 0 : -1;
}

int CCommonReg::ReadListEntry(int slot, char* textOut)
{
    if (!IsSlot(slot))
        return -1;
    RegKey settings;
    if (!settings.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_READ))
        return -1;
    char name[16];
    SlotName(slot, name);
    char text[kListEntrySize];
    if (!ReadText(settings.Get(), name, text, sizeof text))
        return -1;
    lstrcpyA(textOut, text);
    return 0;
}

int CCommonReg::DeleteListEntry(int slot)
{
    if (!IsSlot(slot))
        return -1;
    // Opens, never creates: deleting from a missing key has nothing to do.
    RegKey settings;
    if (!settings.Open(HKEY_CURRENT_USER, kSettingsKey, KEY_ALL_ACCESS))
        return -1;
    char name[16];
    SlotName(slot, name);
    return RegDeleteValueA(settings.Get(), name) == ERROR_SUCCESS ? 0 : -1;
}
