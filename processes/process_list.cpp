#include "processes/process_list.h"

#include "platform/text.h"
#include "platform/file_system.h"

namespace sorvane::processes {

namespace {
std::string cutAtNul(std::string text) {
    auto nul = text.find('\0');
    if (nul != std::string::npos) text.resize(nul);
    return text;
}

bool hasWellKnownName(std::uint32_t id) { return id == 0 || id == 2; }

std::string baseName(std::uint32_t id, const std::string& modulePath) {
    if (id == 0) return "System Idle Process";
    if (id == 2) return "System";
    return platform::LastPathComponent(cutAtNul(modulePath));
}
}  // namespace

std::string ProcessBaseName(platform::Processes& processes, std::uint32_t id) {
    return baseName(id, hasWellKnownName(id) ? std::string() : processes.firstModulePath(id));
}

ProcessList ListProcesses(platform::Processes& processes, std::string_view nameFilter, bool useProcessStatus) {
    ProcessList list;
    auto keep = [&](const std::string& name) { return nameFilter.empty() || text::containsNoCase(name, nameFilter); };
    if (useProcessStatus) {
        std::vector<std::uint32_t> ids;
        if (!processes.listIds(ids).ok()) return list;
        for (auto id : ids) {
            std::string path = processes.firstModulePath(id);
            auto name = baseName(id, path);
            if (name.empty()) list.unreadable.push_back(id);
            else if (keep(name)) list.processes.push_back({id, std::move(name), std::move(path)});
        }
    } else {
        std::vector<platform::ProcessEntry> entries;
        if (!processes.snapshot(entries).ok()) return list;
        for (auto& entry : entries) {
            auto name = cutAtNul(entry.path);
            if (keep(name)) list.processes.push_back({entry.id, std::move(name), entry.path});
        }
    }
    list.ok = true;
    return list;
}

ProcessList KnownProcesses::list(platform::Processes& processes) {
    std::vector<platform::ProcessEntry> entries;
    if (!processes.snapshot(entries).ok()) {
        known_.clear();
        return ListProcesses(processes, "", true);
    }
    ProcessList list;
    std::unordered_map<std::uint32_t, Known> seen;
    seen.reserve(entries.size());
    for (auto& entry : entries) {
        // Toolhelp names the file alone on current systems, the whole path on older ones.
        std::string exeName = platform::LastPathComponent(cutAtNul(std::move(entry.path)));
        std::string path;
        const auto known = known_.find(entry.id);
        if (known != known_.end() && known->second.parentId == entry.parentId &&
            text::equalsNoCase(known->second.exeName, exeName))
            path = known->second.path;
        else
            path = processes.firstModulePath(entry.id);
        auto name = baseName(entry.id, path);
        if (name.empty()) {
            list.unreadable.push_back(entry.id);
            continue;
        }
        if (!path.empty()) seen[entry.id] = Known{entry.parentId, std::move(exeName), path};
        list.processes.push_back({entry.id, std::move(name), std::move(path)});
    }
    known_ = std::move(seen);
    list.ok = true;
    return list;
}

}  // namespace sorvane::processes
