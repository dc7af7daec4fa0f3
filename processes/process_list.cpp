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

}  // namespace sorvane::processes
