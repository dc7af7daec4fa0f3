#include "removal/unregister.h"

namespace sorvane::removal {

std::string unregisterCommandLine(std::string_view systemFolder, std::string_view libraryPath) {
    // The full path keeps a regsvr32.exe planted beside the program from being run instead.
    std::string program = systemFolder.empty() ? std::string("regsvr32.exe")
                                               : std::string(systemFolder) + "\\regsvr32.exe";
    return "\"" + program + "\" /u /s \"" + std::string(libraryPath) + "\"";
}

bool unregisterLibrary(platform::Processes& processes, platform::Shell& shell, std::string_view libraryPath,
                       std::uint32_t timeoutMs) {
    std::uint32_t exitCode = 1;
    const auto status = processes.runAndWait(
        unregisterCommandLine(shell.specialFolder(platform::csidl::System), libraryPath), timeoutMs, exitCode);
    return status.ok() && exitCode == 0;
}

}  // namespace sorvane::removal
