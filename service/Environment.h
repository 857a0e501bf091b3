// Reads a process environment variable of any length; empty when unset.
#pragma once

#include <windows.h>

#include <string>

namespace tarnsvc {

inline std::wstring EnvironmentValue(const wchar_t* name) {
    std::wstring value(256, L'\0');
    for (int attempt = 0; attempt < 4; ++attempt) {
        const DWORD length = ::GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
        if (length < value.size()) {
            value.resize(length);  // 0 when unset
            return value;
        }
        value.resize(length);  // too small: the length includes the terminator
    }
    return std::wstring();
}

}  // namespace tarnsvc
