#include "tests/bench/stored_values.h"

namespace bench {

namespace {

constexpr char kPrivateKey[] = "SOFTWARE\\Tessmark\\Korvane";
constexpr char kRun[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr char kRunName[] = "Korvane.EXE";

bool Query(const char* key, const char* name, DWORD& type, std::string& data)
{
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key, 0, KEY_READ, &hkey) != ERROR_SUCCESS)
        return false;
    char buffer[4096] = {};
    DWORD size = sizeof buffer;
    const LONG result =
        RegQueryValueExA(hkey, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(hkey);
    if (result != ERROR_SUCCESS)
        return false;
    data.assign(buffer, size);
    return true;
}

void Set(const char* key, const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY hkey;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &hkey,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(hkey, name, 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(hkey);
}

bool QueryText(const char* key, const char* name, std::string& text)
{
    DWORD type = 0;
    if (!Query(key, name, type, text) || type != REG_SZ)
        return false;
    text = text.c_str(); // the terminator, when one was stored
    return true;
}

} // namespace

bool StoredNumber(const char* name, DWORD& value)
{
    DWORD type = 0;
    std::string data;
    if (!Query(kPrivateKey, name, type, data) || type != REG_DWORD || data.size() != 4)
        return false;
    CopyMemory(&value, data.data(), 4);
    return true;
}

bool StoredText(const char* name, std::string& text)
{
    return QueryText(kPrivateKey, name, text);
}

bool IsStored(const char* name)
{
    DWORD type = 0;
    std::string data;
    return Query(kPrivateKey, name, type, data);
}

void StoreNumber(const char* name, DWORD value)
{
    Set(kPrivateKey, name, REG_DWORD, &value, sizeof value);
}

void StoreText(const char* name, const char* text)
{
    Set(kPrivateKey, name, REG_SZ, text, lstrlenA(text) + 1);
}

bool RunValue(std::string& text)
{
    return QueryText(kRun, kRunName, text);
}

void StoreRunValue(const char* text)
{
    Set(kRun, kRunName, REG_SZ, text, lstrlenA(text) + 1);
}

} // namespace bench
