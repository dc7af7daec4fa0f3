#pragma once
#include <string>
#include <vector>

namespace sorvane::platform::win32 {

// This process's command-line arguments after the program's name, split by the system's rules.
std::vector<std::wstring> CommandLineArguments();

}  // namespace sorvane::platform::win32
