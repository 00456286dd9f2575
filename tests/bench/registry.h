// Raw access to the agent's registry values, behind the settings store's back: tests
// plant values of any type and size and look at exactly what was stored.
#pragma once
#include <windows.h>

#include <string>

namespace bench {

constexpr char kSettingsKeyPath[] = "SOFTWARE\\Tessmark\\Korvane";
constexpr char kRunKeyPath[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Stores exactly these bytes (no terminator added) under HKCU\path, creating the key;
// REG_NONE deletes the value instead.
bool PutValue(const char* path, const char* name, DWORD type, const std::string& bytes);
// Type and bytes of a value; false when it cannot be read.
bool GetValue(const char* path, const char* name, DWORD& type, std::string& bytes);
bool KeyExists(const char* path);

// While it lives, the private key (which must exist) lets the user read it but not
// set, create or delete values; its former security comes back at the end. Ok() is false when it
// could not be applied.
class ReadOnlySettingsKey {
  public:
    ReadOnlySettingsKey();
    ~ReadOnlySettingsKey();
    ReadOnlySettingsKey(const ReadOnlySettingsKey&) = delete;
    ReadOnlySettingsKey& operator=(const ReadOnlySettingsKey&) = delete;
    bool Ok() const { return ok_; }

  private:
    std::string saved_; // the former security descriptor (DACL)
    bool ok_ = false;
};

} // namespace bench
