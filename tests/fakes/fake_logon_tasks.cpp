#include "tests/fakes/fake_logon_tasks.h"

namespace sorvane::fakes {

using platform::Status;

Status FakeLogonTasks::registerTask(const platform::LogonTask& task) {
    if (failure != 0) return Status::failure(failure);
    if (task.highestRights && !elevated) return Status::failure(platform::error::AccessDenied);
    ++registrations;
    tasks.insert_or_assign(task.name, task);
    return Status::success();
}

Status FakeLogonTasks::deleteTask(std::string_view name) {
    if (failure != 0) return Status::failure(failure);
    const auto found = tasks.find(name);
    if (found == tasks.end()) return Status::failure(platform::error::FileNotFound);
    tasks.erase(found);
    return Status::success();
}

Status FakeLogonTasks::storedDefinition(std::string_view name, std::string& xml) {
    xml.clear();
    if (failure != 0) return Status::failure(failure);
    const auto found = tasks.find(name);
    if (found == tasks.end()) return Status::failure(platform::error::FileNotFound);
    xml = platform::LogonTaskXml(found->second);
    return Status::success();
}

Status FakeLogonTasks::taskNames(std::vector<std::string>& names) {
    names.clear();
    if (failure != 0) return Status::failure(failure);
    for (const auto& [name, task] : tasks) names.push_back(name);
    return Status::success();
}

}  // namespace sorvane::fakes
