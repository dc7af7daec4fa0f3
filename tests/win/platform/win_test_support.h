#pragma once
#include <windows.h>

#include <random>
#include <string>

#include "platform/win32/wide.h"

namespace sorvane::wintest {

// A name no earlier run can have left behind.
inline std::string uniqueName(const char* prefix) {
    std::random_device device;
    return prefix + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(device());
}

// The test executable's own full path.
inline std::string ownPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return platform::win32::narrow(path);
}

}  // namespace sorvane::wintest
