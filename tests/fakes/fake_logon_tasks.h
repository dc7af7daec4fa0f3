#pragma once
#include <map>
#include <string>

#include "platform/logon_tasks.h"

namespace sorvane::fakes {

// The Task Scheduler's root folder in memory: tasks by name (names compared as given).
class FakeLogonTasks : public platform::LogonTasks {
public:
    std::string currentUser() override { return user; }
    platform::Status registerTask(const platform::LogonTask& task) override;
    platform::Status deleteTask(std::string_view name) override;
    platform::Status storedDefinition(std::string_view name, std::string& xml) override;
    platform::Status taskNames(std::vector<std::string>& names) override;

    std::string user = "DESKTOP\\tester";
    std::map<std::string, platform::LogonTask, std::less<>> tasks;
    // When set, every call fails with this code (error::NotSupported: a system before Vista).
    std::uint32_t failure = 0;
    // A process that is not elevated: a task asking for the highest rights is refused.
    bool elevated = true;
    int registrations = 0;
};

}  // namespace sorvane::fakes
