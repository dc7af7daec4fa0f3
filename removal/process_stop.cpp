#include "removal/process_stop.h"

#include <algorithm>
#include <string>

#include "platform/text.h"
#include "scan/process_list.h"

namespace sorvane::removal {

namespace {
constexpr int StopAttempts = 11;

bool stillRunning(platform::Processes& processes, std::uint32_t id) {
    std::vector<std::uint32_t> ids;
    if (!processes.listIds(ids).ok()) return true;
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}
}  // namespace

std::string ReducedProcessName(std::string_view name) {
    if (name.size() < 16) return std::string(name.substr(0, name.find('.')));
    return std::string(name.substr(0, 15));
}

bool StopProcess(platform::Processes& processes, std::uint32_t id, std::uint32_t exitCode) {
    if (processes.version().isNt() && !processes.enableDebugPrivilege().ok()) return false;
    return processes.terminate(id, exitCode).ok();
}

bool StopProcessByName(platform::Processes& processes, ui::Host& host, std::string_view fileName) {
    const std::string base = text::replaceAllNoCase(fileName, ".exe", "");
    std::string alias = text::toUpper(base);
    if (alias.size() >= 7) alias.resize(6);
    alias += "~1";
    const std::string target = text::toUpper(ReducedProcessName(fileName));

    auto list = scan::ListProcesses(processes, "", true);
    const scan::RunningProcess* match = nullptr;
    for (const auto& process : list.processes) {
        std::string name = process.name.substr(0, process.name.find('\0'));
        std::string reduced = text::toUpper(text::trim(ReducedProcessName(name)));
        if (reduced == target || reduced == alias) {
            match = &process;
            break;
        }
        host.yield();
    }
    if (!match) return true;

    for (int attempt = 0; attempt < StopAttempts; ++attempt) {
        if (StopProcess(processes, match->id, 0)) return true;
        host.sleep(1);
        if (!stillRunning(processes, match->id)) return true;
    }
    return false;
}

}  // namespace sorvane::removal
