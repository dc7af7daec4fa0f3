#pragma once
#include "platform/processes.h"

namespace sorvane::platform::win32 {

// Processes through PSAPI, Toolhelp and the process calls.
class Win32Processes final : public Processes {
public:
    OsVersion version() override;
    std::uint32_t currentProcessId() override;
    Status listIds(std::vector<std::uint32_t>& ids) override;
    std::string firstModulePath(std::uint32_t id) override;
    Status snapshot(std::vector<ProcessEntry>& processes) override;
    Status enableDebugPrivilege() override;
    Status disableDebugPrivilege() override;
    Status terminate(std::uint32_t id, std::uint32_t exitCode) override;
    Status runAndWait(std::string_view commandLine, std::uint32_t timeoutMs, std::uint32_t& exitCode) override;
};

}  // namespace sorvane::platform::win32
