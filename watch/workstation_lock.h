// The workstation lock: the system's own lock routine, started as a separate process.
#pragma once
#include <windows.h>

// 1 when the lock process was started; 0 after the failure message owned by owner, also
// where a policy forbids locking.
int LockWorkstation(HWND owner);
