#include "platform/win32/command_line.h"

#include <windows.h>
#include <shellapi.h>

namespace sorvane::platform::win32 {

std::vector<std::wstring> CommandLineArguments() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    if (argv == nullptr) return {};
    std::vector<std::wstring> arguments(argv + (count > 0 ? 1 : 0), argv + count);
    LocalFree(argv);
    return arguments;
}

}  // namespace sorvane::platform::win32
