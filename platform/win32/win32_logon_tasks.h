#pragma once
#include "platform/logon_tasks.h"

namespace sorvane::platform::win32 {

// Logon tasks through the Task Scheduler 2.0's COM interface (taskschd.dll, found through
// COM's registration in System32), registered from their XML definition.
class Win32LogonTasks : public LogonTasks {
public:
    std::string currentUser() override;
    Status registerTask(const LogonTask& task) override;
    Status deleteTask(std::string_view name) override;
    Status storedDefinition(std::string_view name, std::string& xml) override;
    Status taskNames(std::vector<std::string>& names) override;
};

}  // namespace sorvane::platform::win32
