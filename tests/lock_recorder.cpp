// Installed as the test prefix's rundll32.exe: appends one line per start to the
// record file (milliseconds since boot, this program's own path, then the command
// line, separated by tabs), and exits.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char path[MAX_PATH];
    if (!GetEnvironmentVariableA("KORVANE_LOCK_RECORD", path, sizeof path))
        lstrcpyA(path, "C:\\korvane-locks.txt");

    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string line =
        std::to_string(GetTickCount()) + "\t" + self + "\t" + GetCommandLineA() + "\n";
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(file);
    return 0;
}
