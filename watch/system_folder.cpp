// Files of the system folder, by their full path.
#include "watch/system_folder.h"

int SystemFilePath(const char* name, char (&path)[MAX_PATH])
{
    UINT n = GetSystemDirectoryA(path, MAX_PATH);
    if (n == 0 || n + 1 + lstrlenA(name) >= MAX_PATH)
        return 0;
    path[n] = '\\';
    lstrcpyA(path + n + 1, name);
    return 1;
}
