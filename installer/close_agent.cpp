// The installer's custom action that closes a running agent before its file is replaced
// or removed. Windows' Restart Manager would do it, but Wine's installer has none, so the
// package asks the agent itself, the way Restart Manager does, and both behave alike.
// It sets KORVANE_WAS_RUNNING=1 when it closed one, so the package can start it again.
// RestoreAutostart writes the Run value back after an older release was removed (clearing
// Task Manager's "disabled" mark), and ForgetAutostart removes it (RememberAutostart undoes
// that in a rollback). StartAgent starts the agent after an install, and again when one
// fails, never with an administrator's elevated token.
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "agent/scoped_handles.h"

namespace {

constexpr DWORD kAnswerMs = 5000; // per message: a hung agent must not hang the install
constexpr DWORD kEndMs = 10000;
constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kRunValueName[] = L"Korvane.EXE"; // also Task Manager's mark's name
constexpr wchar_t kStartupApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// The Run value, its text as given.
void WriteRunValue(const wchar_t* value)
{
    RegKey run;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        run.Out(), nullptr) == ERROR_SUCCESS)
        RegSetValueExW(run.Get(), kRunValueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                       (lstrlenW(value) + 1) * sizeof(wchar_t));
}

void DeleteAgentValue(const wchar_t* key)
{
    RegKey opened;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, key, 0, KEY_SET_VALUE, opened.Out()) == ERROR_SUCCESS)
        RegDeleteValueW(opened.Get(), kRunValueName);
}

// What the enumeration looks for and what it found: the installed program, long form.
struct Closing {
    wchar_t program[MAX_PATH];
    int closed;
};

// The same file, whatever the letter case or short names it was started by.
bool SameFile(const wchar_t* path, const wchar_t* longPath)
{
    wchar_t full[MAX_PATH];
    const DWORD n = GetLongPathNameW(path, full, MAX_PATH);
    return n > 0 && n < MAX_PATH &&
           CompareStringOrdinal(full, -1, longPath, -1, TRUE) == CSTR_EQUAL;
}

// The agent's hidden top-level window: class "12", in a process running the installed
// program. A copy run from elsewhere (the zip) is not this package's to close.
BOOL CALLBACK CloseIfAgent(HWND hwnd, LPARAM param)
{
    auto* closing = reinterpret_cast<Closing*>(param);
    char name[16];
    if (GetClassNameA(hwnd, name, sizeof name) == 0 || lstrcmpA(name, "12") != 0)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const KernelHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid));
    if (!process.Valid())
        return TRUE;
    wchar_t image[MAX_PATH];
    DWORD size = MAX_PATH;
    if (QueryFullProcessImageNameW(process.Get(), 0, image, &size) &&
        SameFile(image, closing->program)) {
        DWORD_PTR answer = 0;
        SendMessageTimeoutA(hwnd, WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                            kAnswerMs, &answer);
        SendMessageTimeoutA(hwnd, WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, SMTO_ABORTIFHUNG,
                            kAnswerMs, &answer);
        if (WaitForSingleObject(process.Get(), kEndMs) == WAIT_OBJECT_0)
            ++closing->closed;
    }
    return TRUE;
}

// The installed program's path, long form: INSTALLDIR and Korvane.exe.
bool InstalledProgram(MSIHANDLE install, wchar_t (&program)[MAX_PATH])
{
    wchar_t folder[MAX_PATH];
    DWORD size = MAX_PATH;
    if (MsiGetPropertyW(install, L"INSTALLDIR", folder, &size) != ERROR_SUCCESS || size == 0 ||
        size + sizeof "Korvane.exe" > MAX_PATH)
        return false;
    lstrcatW(folder, L"Korvane.exe");
    // A program not (or no longer) there has no long form: its own path then.
    const DWORD n = GetLongPathNameW(folder, program, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        lstrcpyW(program, folder);
    return true;
}

// A line in the installer's log (msiexec /l*v).
void Log(MSIHANDLE install, const wchar_t* text)
{
    MSIHANDLE record = MsiCreateRecord(0);
    MsiRecordSetStringW(record, 0, text);
    MsiProcessMessage(install, INSTALLMESSAGE_INFO, record);
    MsiCloseHandle(record);
}

// An installer run from an administrator's prompt hands its elevated token to what it
// starts. An elevated agent hears the tray only through its message filter, and a later
// upgrade run without elevation could not close it.
bool Elevated()
{
    KernelHandle token;
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Out()) &&
           GetTokenInformation(token.Get(), TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated;
}

// Whether a token belongs to the account this installer runs as.
bool SameUser(HANDLE token)
{
    KernelHandle own;
    alignas(TOKEN_USER) BYTE mine[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    alignas(TOKEN_USER) BYTE theirs[sizeof mine];
    DWORD size = 0;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, own.Out()) &&
           GetTokenInformation(own.Get(), TokenUser, mine, sizeof mine, &size) &&
           GetTokenInformation(token, TokenUser, theirs, sizeof theirs, &size) &&
           EqualSid(reinterpret_cast<TOKEN_USER*>(mine)->User.Sid,
                    reinterpret_cast<TOKEN_USER*>(theirs)->User.Sid);
}

// The same user's token as the shell has it: the agent then runs as a sign-in starts it.
// An administrator elevated into another account (over the shoulder) starts nothing: the
// package was installed for that account, not for whoever sits at the desk.
bool StartAsShell(const wchar_t* program, wchar_t* line, STARTUPINFOW& startup,
                  PROCESS_INFORMATION& process)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(GetShellWindow(), &pid);
    const KernelHandle shell(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    KernelHandle shellToken, token;
    return shell.Valid() &&
           OpenProcessToken(shell.Get(), TOKEN_DUPLICATE | TOKEN_QUERY, shellToken.Out()) &&
           SameUser(shellToken.Get()) &&
           DuplicateTokenEx(shellToken.Get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation,
                            TokenPrimary, token.Out()) &&
           CreateProcessWithTokenW(token.Get(), 0, program, line, 0, nullptr, nullptr, &startup,
                                   &process);
}

} // namespace

// Immediate, before InstallValidate: the files are not yet in use when the installer
// checks them. Only the installed program is closed. Never fails the install; a copy that
// did not end is left to the installer's own files-in-use handling.
extern "C" __declspec(dllexport) UINT __stdcall CloseAgent(MSIHANDLE install)
{
    Closing closing = {};
    if (!InstalledProgram(install, closing.program))
        return ERROR_SUCCESS;
    EnumWindows(CloseIfAgent, reinterpret_cast<LPARAM>(&closing));
    if (closing.closed > 0)
        MsiSetPropertyA(install, "KORVANE_WAS_RUNNING", "1");
    return ERROR_SUCCESS;
}

// Immediate, after the install, and when one fails or is cancelled after CloseAgent
// closed the agent (the rollback has put the older program back by then): the machine
// must not stay unwatched.
extern "C" __declspec(dllexport) UINT __stdcall StartAgent(MSIHANDLE install)
{
    wchar_t program[MAX_PATH];
    if (!InstalledProgram(install, program))
        return ERROR_SUCCESS;
    wchar_t line[MAX_PATH + 2] = L"\"";
    lstrcatW(lstrcatW(line, program), L"\"");
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Without a shell (Explorer restarting, a deployment script, Wine) there is no user's
    // token to take: the agent starts as the installer runs and lets the tray in itself.
    if (!Elevated() || !GetShellWindow()) {
        if (!CreateProcessW(program, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &process))
            return ERROR_SUCCESS;
    } else if (!StartAsShell(program, line, startup, process)) {
        Log(install, L"Korvane was not started: an elevated installer would start it out of "
                     L"the tray's reach. It starts at the next sign-in when autostart is on, "
                     L"or from the Start menu.");
        return ERROR_SUCCESS;
    }
    const KernelHandle thread(process.hThread), child(process.hProcess);
    return ERROR_SUCCESS;
}

// Immediate, before ForgetAutostart is scheduled: the Run value's text as it is, for the
// rollback to put back. Read here rather than by AppSearch, which Wine hands back cut short.
extern "C" __declspec(dllexport) UINT __stdcall RememberAutostartData(MSIHANDLE install)
{
    wchar_t value[MAX_PATH + 16] = {};
    DWORD size = sizeof value - sizeof value[0];
    RegKey run;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, run.Out()) == ERROR_SUCCESS &&
        RegQueryValueExW(run.Get(), kRunValueName, nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                         &size) == ERROR_SUCCESS)
        MsiSetPropertyW(install, L"RememberAutostart", value);
    return ERROR_SUCCESS;
}

// Rollback of ForgetAutostart: the Run value as it was (its text in CustomActionData).
extern "C" __declspec(dllexport) UINT __stdcall RememberAutostart(MSIHANDLE install)
{
    wchar_t value[MAX_PATH + 16];
    DWORD size = MAX_PATH + 16;
    if (MsiGetPropertyW(install, L"CustomActionData", value, &size) == ERROR_SUCCESS && size > 0)
        WriteRunValue(value);
    return ERROR_SUCCESS;
}

// Deferred, after the registry values are removed, on uninstall and with AUTOSTART=0: the
// Run value goes whoever wrote it, the Setting dialog included.
extern "C" __declspec(dllexport) UINT __stdcall ForgetAutostart(MSIHANDLE)
{
    DeleteAgentValue(kRunKey);
    return ERROR_SUCCESS;
}

// Immediate, after the older release is removed, and after a new install with AUTOSTART=1:
// the Run value as the Autostart part writes it, the program's path in quotes (wide: the
// folder may be outside the code page).
extern "C" __declspec(dllexport) UINT __stdcall RestoreAutostart(MSIHANDLE install)
{
    wchar_t value[MAX_PATH + 16] = L"\"";
    DWORD size = MAX_PATH;
    if (MsiGetPropertyW(install, L"INSTALLDIR", value + 1, &size) != ERROR_SUCCESS || size == 0 ||
        size >= MAX_PATH)
        return ERROR_SUCCESS;
    lstrcatW(value, L"Korvane.exe\"");
    WriteRunValue(value);
    // Autostart on means the agent starts: Task Manager's "disabled" mark, which would make
    // Explorer skip the value, goes too.
    DeleteAgentValue(kStartupApprovedKey);
    return ERROR_SUCCESS;
}
