#pragma once

#include <cstring>
#include <string>

#include "platform/win32/windows_api.h"

// A value under HKEY_CURRENT_USER, as this computer's registry holds it: ""
// when missing, the bytes of a string, the decimal of a DWORD.
inline std::string userValue(const char* path, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "";
    char data[1024] = {};
    DWORD type = 0;
    DWORD size = sizeof data - 1;
    const LONG status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS) return "";
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD value = 0;
        std::memcpy(&value, data, sizeof value);
        return std::to_string(value);
    }
    return data;
}
