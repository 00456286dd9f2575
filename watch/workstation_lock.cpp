// The workstation lock: starts the system's lock routine and returns at once.
#include "watch/workstation_lock.h"

#include <strsafe.h>

#include <initializer_list>

#include "settings/reg_key.h"
#include "watch/system_folder.h"

namespace {

// Code page 932 bytes of "ＰＣのロックが出来ませんでした。" and "実行エラー".
constexpr char kLockFailedText[] = "\x82\x6f\x82\x62\x82\xcc\x83\x8d\x83\x62\x83\x4e\x82\xaa\x8f"
                                   "\x6f\x97\x88\x82\xdc\x82\xb9\x82\xf1\x82\xc5\x82\xb5\x82\xbd"
                                   "\x81\x42";
constexpr char kLockFailedCaption[] = "\x8e\xc0\x8d\x73\x83\x47\x83\x89\x81\x5b";
constexpr char kSystemPolicyKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";

// The system's rundll32.exe by absolute path: a planted copy could replace every lock.
int BuildLockCommand(char (&path)[MAX_PATH], char (&command)[MAX_PATH + 64])
{
    return SystemFilePath("rundll32.exe", path) &&
           SUCCEEDED(StringCchPrintfA(command, sizeof command, "\"%s\" user32.dll,LockWorkStation",
                                      path));
}

// Windows' own policy against locking (the user's or the computer's) makes the lock routine
// do nothing at all: such a lock has failed as surely as one that cannot start.
bool LockingForbidden()
{
    for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        RegKey key;
        DWORD forbidden = 0;
        if (key.Open(root, kSystemPolicyKey, KEY_READ | KEY_WOW64_64KEY) &&
            ReadFlag(key.Get(), "DisableLockWorkstation", &forbidden) && forbidden != 0)
            return true;
    }
    return false;
}

} // namespace

int LockWorkstation(HWND owner)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup); // the child gets what the agent got
    PROCESS_INFORMATION process = {};

    char path[MAX_PATH];
    char command[MAX_PATH + 64];
    if (!LockingForbidden() && BuildLockCommand(path, command) &&
        CreateProcessA(path, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process)) {
        // The agent neither waits for the lock nor looks at its result.
        const KernelHandle thread(process.hThread), child(process.hProcess);
        return 1;
    }
    MessageBoxA(owner, kLockFailedText, kLockFailedCaption, MB_ICONWARNING);
    return 0;
}
