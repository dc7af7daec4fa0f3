#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace sorvane::platform {

// The system's version as GetVersionEx reports it.
struct OsVersion {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    std::uint32_t build = 0;
    std::uint32_t platformId = 0;  // 1 Windows 9x, 2 Windows NT
    bool isNt() const { return platformId == 2; }
};

struct ProcessEntry {
    std::uint32_t id = 0;
    std::string path;  // full path of the executable (Toolhelp: as the snapshot names it)
    std::uint32_t parentId = 0;  // the process that started it, as the snapshot names it (0: not known)
};

// Running processes and child programs.
class Processes {
public:
    virtual ~Processes() = default;

    virtual OsVersion version() = 0;
    virtual std::uint32_t currentProcessId() = 0;

    // PSAPI: identifiers of all processes.
    virtual Status listIds(std::vector<std::uint32_t>& ids) = 0;
    // Full path of the executable of a process (QueryFullProcessImageName, or on systems
    // before Vista the first module's path); empty when it cannot be opened.
    virtual std::string firstModulePath(std::uint32_t id) = 0;
    // Toolhelp snapshot of the processes with their executable paths.
    virtual Status snapshot(std::vector<ProcessEntry>& processes) = 0;

    // Grants this process the debug privilege (so that others' processes can be ended).
    virtual Status enableDebugPrivilege() = 0;
    // Turns the debug privilege off again.
    virtual Status disableDebugPrivilege() = 0;
    virtual Status terminate(std::uint32_t id, std::uint32_t exitCode) = 0;

    // Runs a command line without a window and waits for it at most `timeoutMs`;
    // the child is ended when the time runs out.
    virtual Status runAndWait(std::string_view commandLine, std::uint32_t timeoutMs, std::uint32_t& exitCode) = 0;

    // The Name of every running process as WMI's Win32_Process lists them, duplicates kept.
    // Fails when the query cannot run (no WMI service); a system without one says so.
    virtual Status processNames(std::vector<std::string>& names) {
        names.clear();
        return Status::failure(error::NotSupported);
    }
};

}  // namespace sorvane::platform
