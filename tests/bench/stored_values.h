// Values of the agent's private registry key, read and written with the registry API
// itself, so a test sees what is stored, not what the code under test thinks it stored.
#pragma once
#include <windows.h>

#include <string>

namespace bench {

// A REG_DWORD value of the private key; false when absent or of another type.
bool StoredNumber(const char* name, DWORD& value);
// A REG_SZ value of the private key; false when absent or of another type.
bool StoredText(const char* name, std::string& text);
bool IsStored(const char* name);

void StoreNumber(const char* name, DWORD value);
void StoreText(const char* name, const char* text);

// The "Korvane.EXE" value of the Run key; false when absent.
bool RunValue(std::string& text);
void StoreRunValue(const char* text);

} // namespace bench
