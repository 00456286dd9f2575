// Files of the system folder, by their full path.
#pragma once
#include <windows.h>

// The full path of a file in the system folder (0 when it does not fit). A bare name would be
// looked for beside the program and in the current directory first, where anyone who can
// write there could plant a copy.
int SystemFilePath(const char* name, char (&path)[MAX_PATH]);
