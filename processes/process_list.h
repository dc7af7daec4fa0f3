#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/processes.h"

namespace sorvane::processes {

struct RunningProcess {
    std::uint32_t id = 0;
    std::string name;
    // The first module's path as the listing read it (the process-status listing), or the
    // snapshot's executable path; empty when the process could not be opened.
    std::string modulePath;
};

struct ProcessList {
    bool ok = false;  // false when the enumeration itself failed
    std::vector<RunningProcess> processes;
    // The process-status listing: ids of processes this account could not open for their path
    // (elevated ones, services, other users'). They run all the same; they are only unnamed.
    std::vector<std::uint32_t> unreadable;
};

// The running processes with their names: through the process-status calls (names from
// the first module, each process opened once, unnamed processes dropped) or through a
// Toolhelp snapshot. A non-empty filter keeps only names that contain it, ignoring case.
ProcessList ListProcesses(platform::Processes& processes, std::string_view nameFilter, bool useProcessStatus);

// The process-status listing for a caller that lists again every few seconds (the memory
// shield): one Toolhelp snapshot names the processes, and only those not already listed
// under the same id, parent and executable name are opened for their path. A process that
// could not be opened is tried again on the next listing. Without the snapshot it lists as
// ListProcesses does, opening every process.
class KnownProcesses {
public:
    ProcessList list(platform::Processes& processes);
    void forget() { known_.clear(); }

private:
    struct Known {
        std::uint32_t parentId = 0;
        std::string exeName;
        std::string path;
    };
    std::unordered_map<std::uint32_t, Known> known_;
};

// The file name of a process's first module; the two kernel pseudo-processes by their
// well-known names; empty when the process cannot be opened.
std::string ProcessBaseName(platform::Processes& processes, std::uint32_t id);

}  // namespace sorvane::processes
