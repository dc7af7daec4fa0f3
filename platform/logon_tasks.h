#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace sorvane::platform {

namespace error {
// SCHED_E_SERVICE_NOT_RUNNING: the Task Scheduler service is stopped or disabled.
inline constexpr std::uint32_t SchedulerNotRunning = 0x80041315;
}  // namespace error

// A task that starts a program when one user logs on, in that user's own session.
struct LogonTask {
    std::string name;       // in the scheduler's root folder
    std::string userId;     // "DOMAIN\user": whose logon starts it, and whose rights it runs with
    std::string command;    // the program's full path, in quotes (unquoted, a path with spaces may be cut short)
    std::string arguments;  // may be empty
    std::string author;
    std::string description;
    // The user's highest rights (an administrator's elevated ones, without a prompt); otherwise
    // the limited rights a program started by hand gets. Only an elevated process may ask for them.
    bool highestRights = true;
};

// The task as Task Scheduler schema 1.2 XML: a logon trigger for the task's user, an interactive
// token at the chosen run level, no time limit, started and kept running on batteries.
std::string LogonTaskXml(const LogonTask& task);

// The Task Scheduler (2.0, Windows Vista and later), for starting the program at logon.
class LogonTasks {
public:
    virtual ~LogonTasks() = default;
    // The account this process runs as, "DOMAIN\user"; empty when it cannot be learned.
    virtual std::string currentUser() = 0;
    // Registers the task, replacing one of the same name. error::NotSupported on a system
    // without the Task Scheduler 2.0; error::AccessDenied when this process may not register
    // it (highest rights asked for by a process that is not elevated, another user's task).
    [[nodiscard]] virtual Status registerTask(const LogonTask& task) = 0;
    // error::FileNotFound when no task has that name.
    [[nodiscard]] virtual Status deleteTask(std::string_view name) = 0;
    // The definition the scheduler keeps for the task, as XML; error::FileNotFound when none.
    [[nodiscard]] virtual Status storedDefinition(std::string_view name, std::string& xml) = 0;
    // The names of the tasks in the root folder, hidden ones included.
    [[nodiscard]] virtual Status taskNames(std::vector<std::string>& names) = 0;
};

}  // namespace sorvane::platform
