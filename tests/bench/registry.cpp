#include "tests/bench/registry.h"

namespace bench {

namespace {

class Key {
  public:
    Key(const char* path, REGSAM access)
    {
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~Key()
    {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    HKEY Get() const { return key_; }

  private:
    HKEY key_;
};

std::string CurrentUserSid(std::string& tokenUser)
{
    HANDLE token = nullptr;
    OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token);
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    tokenUser.assign(size, '\0');
    GetTokenInformation(token, TokenUser, &tokenUser[0], size, &size);
    CloseHandle(token);
    PSID sid = reinterpret_cast<TOKEN_USER*>(&tokenUser[0])->User.Sid;
    return std::string(static_cast<const char*>(sid), GetLengthSid(sid));
}

} // namespace

bool PutValue(const char* path, const char* name, DWORD type, const std::string& bytes)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return false;
    // RegSetValueExA adds a string's terminator itself when the byte after the data is a
    // zero (NT does, and Wine with it): a non-zero byte there keeps the data as given.
    const std::string data = bytes + 'x';
    LONG result = type == REG_NONE ? RegDeleteValueA(key, name)
                                   : RegSetValueExA(key, name, 0, type,
                                                    reinterpret_cast<const BYTE*>(data.data()),
                                                    static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
    return result == ERROR_SUCCESS || (type == REG_NONE && result == ERROR_FILE_NOT_FOUND);
}

bool GetValue(const char* path, const char* name, DWORD& type, std::string& bytes)
{
    Key key(path, KEY_READ);
    DWORD size = 0;
    if (!key.Get() || RegQueryValueExA(key.Get(), name, nullptr, &type, nullptr, &size))
        return false;
    bytes.assign(size, '\0');
    if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(&bytes[0]),
                         &size))
        return false;
    bytes.resize(size);
    return true;
}

bool KeyExists(const char* path)
{
    return Key(path, KEY_READ).Get() != nullptr;
}

ReadOnlySettingsKey::ReadOnlySettingsKey()
{
    Key key(kSettingsKeyPath, READ_CONTROL | WRITE_DAC);
    DWORD size = 0;
    if (!key.Get() || RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, nullptr, &size) !=
                          ERROR_INSUFFICIENT_BUFFER)
        return;
    saved_.assign(size, '\0');
    if (RegGetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &saved_[0], &size))
        return;

    std::string tokenUser;
    std::string sid = CurrentUserSid(tokenUser);
    char aclBytes[256];
    ACL* acl = reinterpret_cast<ACL*>(aclBytes);
    SECURITY_DESCRIPTOR sd;
    ok_ = InitializeAcl(acl, sizeof aclBytes, ACL_REVISION) &&
          AddAccessAllowedAce(acl, ACL_REVISION, KEY_READ | WRITE_DAC | DELETE, &sid[0]) &&
          InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) &&
          SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) &&
          RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
}

ReadOnlySettingsKey::~ReadOnlySettingsKey()
{
    Key key(kSettingsKeyPath, WRITE_DAC);
    if (key.Get() && !saved_.empty())
        RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &saved_[0]);
}

} // namespace bench
