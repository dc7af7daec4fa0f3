#include "processes/process_stop.h"

#include <algorithm>
#include <string>

#include "platform/file_system.h"
#include "platform/text.h"
#include "processes/process_list.h"

namespace sorvane::processes {

namespace {
constexpr int StopAttempts = 11;

enum class Presence { Running, Gone, Unknown };

Presence presenceOf(platform::Processes& processes, std::uint32_t id) {
    std::vector<std::uint32_t> ids;
    if (!processes.listIds(ids).ok()) return Presence::Unknown;
    return std::find(ids.begin(), ids.end(), id) != ids.end() ? Presence::Running : Presence::Gone;
}

// The target's reduced name and its 8.3 alias, upper-cased, as process names are compared.
class NameMatch {
public:
    explicit NameMatch(std::string_view fileName) {
        const std::string base = text::replaceAllNoCase(fileName, ".exe", "");
        alias_ = text::toUpper(base);
        if (alias_.size() >= 7) alias_.resize(6);
        alias_ += "~1";
        target_ = text::toUpper(ReducedProcessName(fileName));
    }
    bool matches(std::string_view processName) const {
        const std::string name(processName.substr(0, processName.find('\0')));
        const std::string reduced = text::toUpper(text::trim(ReducedProcessName(name)));
        return reduced == target_ || reduced == alias_;
    }

private:
    std::string target_;
    std::string alias_;
};

// Up to 11 attempts on one process; a process that ends meanwhile counts as stopped.
bool stopWithRetries(platform::Processes& processes, ui::Host& host, std::uint32_t id) {
    for (int attempt = 0; attempt < StopAttempts; ++attempt) {
        if (StopProcess(processes, id, 0)) return true;
        host.sleep(1);
        if (presenceOf(processes, id) == Presence::Gone) return true;
    }
    return false;
}

}  // namespace

std::string ReducedProcessName(std::string_view name) {
    if (name.size() < 16) return std::string(name.substr(0, name.find('.')));
    return std::string(name.substr(0, 15));
}

bool StopProcess(platform::Processes& processes, std::uint32_t id, std::uint32_t exitCode) {
    if (!processes.version().isNt()) return processes.terminate(id, exitCode).ok();
    const auto privilege = processes.enableDebugPrivilege();
    // Without the privilege in its token a standard user still ends the processes it owns.
    if (!privilege.ok() && !privilege.is(platform::error::NotAllAssigned)) return false;
    const bool stopped = processes.terminate(id, exitCode).ok();
    // The privilege is held only for the one termination, never left on for the process.
    (void)processes.disableDebugPrivilege();
    return stopped;
}

bool StopProcessByName(platform::Processes& processes, ui::Host& host, std::string_view fileName) {
    const NameMatch wanted(fileName);
    auto list = ListProcesses(processes, "", true);
    // Not knowing what runs is no proof that nothing of that name does.
    if (!list.ok) return false;
    const RunningProcess* match = nullptr;
    for (const auto& process : list.processes) {
        if (wanted.matches(process.name)) {
            match = &process;
            break;
        }
        host.yield();
    }
    if (match) return stopWithRetries(processes, host, match->id);
    if (list.unreadable.empty()) return true;
    // A process this account may not open for its path still runs. The snapshot names every
    // process: one of that name among the unread ones is tried, and counts as not stopped
    // when it resists, never as absent. Without the snapshot nothing proves it absent.
    std::vector<platform::ProcessEntry> entries;
    if (!processes.snapshot(entries).ok()) return false;
    for (const auto& entry : entries) {
        if (std::find(list.unreadable.begin(), list.unreadable.end(), entry.id) == list.unreadable.end()) continue;
        if (wanted.matches(platform::LastPathComponent(entry.path))) return stopWithRetries(processes, host, entry.id);
    }
    return true;
}

bool StopMatchedProcess(platform::Processes& processes, ui::Host& host, std::uint32_t id, std::string_view fileName) {
    if (id == 0) return StopProcessByName(processes, host, fileName);
    switch (presenceOf(processes, id)) {
        case Presence::Unknown: return false;
        case Presence::Gone: return true;
        case Presence::Running: break;
    }
    // An id is reused once its process has ended: one that now runs a program of another
    // name is not the one that was matched. One that can no longer be read is not ended
    // blindly either; it counts as not stopped.
    const std::string name = ProcessBaseName(processes, id);
    if (name.empty()) return false;
    if (!NameMatch(fileName).matches(name)) return true;
    return stopWithRetries(processes, host, id);
}

}  // namespace sorvane::processes
