#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/processes.h"

namespace sorvane::fakes {

// Running processes as a list the test arranges. Terminating one removes it, unless the
// test has made it resist; terminations and runs are recorded.
class FakeProcesses : public platform::Processes {
public:
    struct Process {
        std::uint32_t id = 0;
        std::string path;
        bool resists = false;            // termination fails with access denied
        bool needsDebugPrivilege = false;  // termination works only with the debug privilege on
        bool hidden = false;             // cannot be opened: no module path (system processes)
        std::uint32_t parentId = 0;
    };
    struct Termination {
        std::uint32_t id;
        std::uint32_t exitCode;
        bool succeeded;
    };
    struct Run {
        std::string commandLine;
        std::uint32_t timeoutMs;
    };

    platform::OsVersion version() override { return version_; }
    std::uint32_t currentProcessId() override { return currentId_; }
    platform::Status listIds(std::vector<std::uint32_t>& ids) override;
    std::string firstModulePath(std::uint32_t id) override;
    platform::Status snapshot(std::vector<platform::ProcessEntry>& processes) override;
    platform::Status enableDebugPrivilege() override;
    platform::Status disableDebugPrivilege() override;
    platform::Status terminate(std::uint32_t id, std::uint32_t exitCode) override;
    platform::Status runAndWait(std::string_view commandLine, std::uint32_t timeoutMs,
                                std::uint32_t& exitCode) override;

    // WMI's process names: `wmiNames` as they stand, or a failed query when `wmiFails`.
    platform::Status processNames(std::vector<std::string>& names) override;
    std::vector<std::string> wmiNames;
    bool wmiFails = false;
    int wmiQueries = 0;

    void setVersion(platform::OsVersion v) { version_ = v; }
    void setCurrentProcessId(std::uint32_t id) { currentId_ = id; }
    Process& add(std::uint32_t id, std::string path);
    bool running(std::uint32_t id) const;
    void setDebugPrivilegeResult(std::uint32_t code) { privilegeFailure_ = code; }
    // Every run answers this exit code, unless `onRun` is set and decides.
    void setRunExitCode(std::uint32_t code) { runExitCode_ = code; }
    std::function<platform::Status(std::string_view commandLine, std::uint32_t& exitCode)> onRun;

    std::vector<Process> processes;
    std::vector<Termination> terminations;
    std::vector<Run> runs;
    bool debugPrivilege = false;
    int privilegeRequests = 0;
    int privilegeReleases = 0;
    // Termination ids seen while the debug privilege was on.
    std::vector<std::uint32_t> terminatedWithPrivilege;
    // The enumeration fails with this code when not 0.
    std::uint32_t listFailure = 0;
    // Calls made: enumerations of the ids, Toolhelp snapshots, and opens of a process for its module path.
    int idListings = 0;
    int snapshots = 0;
    int moduleReads = 0;

private:
    platform::OsVersion version_{6, 1, 7601, 2};
    std::uint32_t currentId_ = 4242;
    std::uint32_t privilegeFailure_ = 0;
    std::uint32_t runExitCode_ = 0;
};

}  // namespace sorvane::fakes
