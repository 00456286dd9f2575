// A registry key held for one operation, and the typed reads every reader of the agent's
// values shares.
#pragma once
#include <windows.h>

// Closes the key on every way out of an operation.
class RegKey {
  public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey()
    {
        if (key_)
            RegCloseKey(key_);
    }

    bool Open(HKEY root, const char* path, REGSAM access)
    {
        return RegOpenKeyExA(root, path, 0, access, &key_) == ERROR_SUCCESS;
    }
    bool Create(HKEY root, const char* path)
    {
        return RegCreateKeyExA(root, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                               nullptr, &key_, nullptr) == ERROR_SUCCESS;
    }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

// Reads a text value into buffer and always leaves it terminated. REG_EXPAND_SZ is text as
// much as REG_SZ (registry tools and policies write either) and is taken as it stands,
// nothing expanded. A value of another type, or a text that does not fit the buffer
// together with its terminator, counts as absent (false, empty text). The system adds a
// terminator only when there is room, and a failed query may leave anything in the
// buffer, so the terminator is ours to set.
bool ReadText(HKEY key, const char* name, char* buffer, DWORD size);

// A flag exists only as a 4-byte REG_DWORD; anything else stored under its name is
// not a flag value and counts as absent, so it can never turn a switch on.
bool ReadFlag(HKEY key, const char* name, DWORD* number);
