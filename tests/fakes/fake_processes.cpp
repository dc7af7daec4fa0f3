#include "tests/fakes/fake_processes.h"

#include <algorithm>

namespace sorvane::fakes {

using platform::Status;
namespace error = platform::error;

FakeProcesses::Process& FakeProcesses::add(std::uint32_t id, std::string path) {
    processes.push_back(Process{id, std::move(path)});
    return processes.back();
}

bool FakeProcesses::running(std::uint32_t id) const {
    return std::any_of(processes.begin(), processes.end(), [id](const Process& p) { return p.id == id; });
}

Status FakeProcesses::listIds(std::vector<std::uint32_t>& ids) {
    ids.clear();
    ++idListings;
    if (listFailure != 0) return Status::failure(listFailure);
    for (const auto& p : processes) ids.push_back(p.id);
    return Status::success();
}

std::string FakeProcesses::firstModulePath(std::uint32_t id) {
    ++moduleReads;
    for (const auto& p : processes) {
        if (p.id == id && !p.hidden) return p.path;
    }
    return {};
}

Status FakeProcesses::snapshot(std::vector<platform::ProcessEntry>& out) {
    out.clear();
    ++snapshots;
    for (const auto& p : processes) out.push_back({p.id, p.path, p.parentId});
    return Status::success();
}

Status FakeProcesses::enableDebugPrivilege() {
    ++privilegeRequests;
    if (privilegeFailure_ != 0) return Status::failure(privilegeFailure_);
    debugPrivilege = true;
    return Status::success();
}

Status FakeProcesses::disableDebugPrivilege() {
    ++privilegeReleases;
    debugPrivilege = false;
    return Status::success();
}

Status FakeProcesses::terminate(std::uint32_t id, std::uint32_t exitCode) {
    auto it = std::find_if(processes.begin(), processes.end(), [id](const Process& p) { return p.id == id; });
    Status result;
    if (it == processes.end()) {
        result = Status::failure(error::InvalidParameter);  // what OpenProcess says of an unknown id
    } else if (it->resists || (it->needsDebugPrivilege && !debugPrivilege)) {
        result = Status::failure(error::AccessDenied);
    } else {
        processes.erase(it);
    }
    terminations.push_back({id, exitCode, result.ok()});
    if (debugPrivilege) terminatedWithPrivilege.push_back(id);
    return result;
}

Status FakeProcesses::runAndWait(std::string_view commandLine, std::uint32_t timeoutMs, std::uint32_t& exitCode) {
    runs.push_back({std::string(commandLine), timeoutMs});
    exitCode = runExitCode_;
    if (onRun) return onRun(commandLine, exitCode);
    return Status::success();
}

platform::Status FakeProcesses::processNames(std::vector<std::string>& names) {
    ++wmiQueries;
    names.clear();
    if (wmiFails) return platform::Status::failure(platform::error::NotSupported);
    names = wmiNames;
    return platform::Status::success();
}

}  // namespace sorvane::fakes
