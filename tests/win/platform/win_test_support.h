#pragma once
#include <windows.h>

#include <random>
#include <string>

#include "platform/win32/handles.h"
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

// A process started without a window or console; its handles close with it. Under Wine a
// console child gets a conhost of its own that inherits the test's output pipe and can
// outlive a child that is ended early, holding the test runner's pipe open for good.
struct Child {
    platform::win32::UniqueHandle process;
    platform::win32::UniqueHandle thread;
    DWORD id = 0;
};

// Starts a command line; the child has no process handle when it could not be started.
inline Child startChild(const std::string& commandLine) {
    std::wstring command = platform::win32::widen(commandLine);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    Child child;
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                       &info)) {
        child.process.reset(info.hProcess);
        child.thread.reset(info.hThread);
        child.id = info.dwProcessId;
    }
    return child;
}

}  // namespace sorvane::wintest
