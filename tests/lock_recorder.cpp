// Installed as the test prefix's rundll32.exe: appends one line per start to the lock record
// (tests/kit.h) and exits.
#include "tests/kit.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char self[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, self, sizeof self);
    const std::string line =
        std::to_string(GetTickCount()) + "\t" + self + "\t" + GetCommandLineA() + "\n";
    const KernelHandle file(CreateFileA(kit::LockRecordPath().c_str(), FILE_APPEND_DATA,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    const bool recorded =
        file.Valid() &&
        WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return recorded ? 0 : 1;
}
