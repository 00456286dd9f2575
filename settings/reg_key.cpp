// The typed reads of registry values.
#include "settings/reg_key.h"

#include <cstring>

bool ReadText(HKEY key, const char* name, char* buffer, DWORD size)
{
    ZeroMemory(buffer, size);
    DWORD type = REG_NONE;
    DWORD n = size;
    bool ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &n) ==
                  ERROR_SUCCESS &&
              (type == REG_SZ || type == REG_EXPAND_SZ) && n <= size;
    if (ok && n == size)
        ok = std::memchr(buffer, '\0', size) != nullptr; // full: a zero must end the text
    if (!ok) {
        buffer[0] = '\0';
        return false;
    }
    if (n < size)
        buffer[n] = '\0';
    return true;
}

bool ReadFlag(HKEY key, const char* name, DWORD* number)
{
    DWORD type = REG_NONE;
    DWORD n = sizeof *number;
    *number = 0;
    return RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(number), &n) ==
               ERROR_SUCCESS &&
           type == REG_DWORD && n == sizeof *number;
}
