#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/processes.h"
#include "platform/shell.h"

namespace sorvane::removal {

// How long a library's own unregistration may take before its child process is ended.
inline constexpr std::uint32_t UnregisterTimeoutMs = 30'000;

// The command line that unregisters a library through the system's regsvr32, silently.
std::string unregisterCommandLine(std::string_view systemFolder, std::string_view libraryPath);

// Unregisters a library in a child process, so that a library that crashes or hangs in
// its DllUnregisterServer cannot take the removal run with it. True when regsvr32
// reported success; a failure only means the library is removed unregistered.
bool unregisterLibrary(platform::Processes& processes, platform::Shell& shell, std::string_view libraryPath,
                       std::uint32_t timeoutMs = UnregisterTimeoutMs);

}  // namespace sorvane::removal
