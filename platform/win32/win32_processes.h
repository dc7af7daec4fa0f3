#pragma once
#include <vector>
#include "platform/processes.h"

namespace sorvane::platform::win32 {

// Processes through PSAPI, Toolhelp and the process calls.
class Win32Processes final : public Processes {
public:
    OsVersion version() override;
    std::uint32_t currentProcessId() override;
    Status listIds(std::vector<std::uint32_t>& ids) override;
    std::string firstModulePath(std::uint32_t id) override;
    // One NtQuerySystemInformation into a buffer kept at the size the last one needed (a system
    // may gather each process's details anew at every attempt: Wine reads /proc for each); the
    // Toolhelp snapshot where the call is not there or fails.
    Status snapshot(std::vector<ProcessEntry>& processes) override;
    Status enableDebugPrivilege() override;
    Status disableDebugPrivilege() override;
    Status terminate(std::uint32_t id, std::uint32_t exitCode) override;
    Status runAndWait(std::string_view commandLine, std::uint32_t timeoutMs, std::uint32_t& exitCode) override;
    Status processNames(std::vector<std::string>& names) override;

private:
    Status toolhelpSnapshot(std::vector<ProcessEntry>& processes);
    std::vector<unsigned char> processInformation_;
};

}  // namespace sorvane::platform::win32
