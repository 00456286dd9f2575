// The change watch at the end of every check cycle.
#pragma once
#include <windows.h>

extern int g_checkCount;

// Compares g_currentAddress with previous and with the trusted list; logs and locks.
void WatchAddressChange(HWND hwnd, const char* previous);
