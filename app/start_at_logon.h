#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/logon_tasks.h"
#include "platform/platform.h"
#include "platform/write_failure.h"

namespace sorvane::app {

// The value under HKEY_LOCAL_MACHINE that started the program at logon before the Task
// Scheduler did, and still does on systems without it.
inline constexpr std::string_view RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// E_NOTIMPL from the Task Scheduler's listing: Wine's, before version 9, keeps tasks and finds
// one by name, but lists none.
inline constexpr std::uint32_t SchedulerCannotList = 0x80004001;

// The window program's file name without ".exe", as the setup installs it.
inline constexpr std::string_view WindowProgramName = "Sorvane";

// Name of the task that starts the program when `userId` ("DOMAIN\user") logs on: one task
// per user, so that one user's choice leaves another's alone.
std::string LogonTaskName(std::string_view productName, std::string_view userId);

// Starts the program at this user's logon from now on (`on`), or no longer. On Vista and later
// a Task Scheduler task does it, with the user's highest rights: the program asks for them, and
// Windows starts no program that asks from the Run value. A process that is not elevated may
// only register the task with limited rights, which are then all the user has. A system without
// the Task Scheduler 2.0 keeps the Run value. The status is that of the step that failed.
// `program` names the window program in the application folder, without ".exe".
platform::Status SetStartAtLogon(platform::Platform& platform, std::string_view productName, std::string_view program,
                                 bool on);

// Deletes the logon task of every user that starts the program of this folder (a task whose
// command the system does not show counts as this program's), as an uninstall must; `removed`
// counts them. Nothing to do on a system without the Task Scheduler 2.0. A scheduler that
// cannot list its tasks gives up only this user's.
platform::Status RemoveEveryUsersLogonTask(platform::Platform& platform, std::string_view productName,
                                           std::string_view program, std::size_t& removed);

// Why the start at logon could not be changed, as the user reads it.
template <class MessageLookup>
std::string StartAtLogonFailureCause(std::uint32_t code, const MessageLookup& message) {
    if (code == platform::error::SchedulerNotRunning) return std::string(message("MSG_ERR_SCHEDULER_OFF"));
    return platform::WriteFailureCause(code, message);
}

}  // namespace sorvane::app
