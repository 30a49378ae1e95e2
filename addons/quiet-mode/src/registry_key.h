#pragma once

#include <windows.h>

// An open registry key, closed when it goes out of scope.
class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey()
    {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    bool OpenRead(HKEY root, const wchar_t* path)
    {
        return RegOpenKeyExW(root, path, 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
    bool OpenRead(HKEY root, const char* path)
    {
        return RegOpenKeyExA(root, path, 0, KEY_READ, &key_) == ERROR_SUCCESS;
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};
