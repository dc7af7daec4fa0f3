#include "app/start_at_logon.h"

#include <algorithm>

#include "platform/text.h"
#include "platform/trace.h"

namespace sorvane::app {

namespace {

using platform::Status;
namespace error = platform::error;

std::string quoted(std::string_view text) {
    std::string out = "\"";
    out += text;
    out += '"';
    return out;
}

// The Run value names the executable without its extension, as it always did.
Status writeRunValue(platform::Platform& platform, std::string_view program) {
    return platform.registry.setString(platform::RootKey::LocalMachine, RunKey, program,
                                       quoted(platform::JoinPath(platform.environment.applicationFolder(), program)));
}

std::string programPath(platform::Platform& platform, std::string_view program) {
    return platform::JoinPath(platform.environment.applicationFolder(), std::string(program) + ".exe");
}

// A Run value left from before would start the program a second time, or, once it asks for
// elevation, not at all: it goes when the task takes over, and when the user says no.
void removeRunValue(platform::Platform& platform, std::string_view program) {
    const Status removed = platform.registry.deleteValue(platform::RootKey::LocalMachine, RunKey, program);
    if (!removed.is(error::FileNotFound)) platform::TraceFailure(removed, "taking the program off the Run key");
}

}  // namespace

std::string LogonTaskName(std::string_view productName, std::string_view userId) {
    // "DOMAIN\user" becomes "user@DOMAIN": a task's name may not hold a backslash.
    const auto slash = userId.find('\\');
    std::string user = slash == std::string_view::npos
                           ? std::string(userId)
                           : std::string(userId.substr(slash + 1)) + "@" + std::string(userId.substr(0, slash));
    return std::string(productName) + " (" + user + ")";
}

Status SetStartAtLogon(platform::Platform& platform, std::string_view productName, std::string_view program, bool on) {
    auto& tasks = platform.logonTasks;
    const std::string user = tasks.currentUser();
    const std::string name = LogonTaskName(productName, user);
    if (!on) {
        const Status deleted = tasks.deleteTask(name);
        removeRunValue(platform, program);
        if (deleted.is(error::FileNotFound) || deleted.is(error::NotSupported)) return Status::success();
        return deleted;
    }

    platform::LogonTask task;
    task.name = name;
    task.userId = user;
    task.command = quoted(programPath(platform, program));
    task.author = std::string(productName);
    task.description = "Starts " + std::string(productName) + " when " + user + " logs on.";
    Status registered = tasks.registerTask(task);
    if (registered.is(error::AccessDenied)) {
        task.highestRights = false;
        registered = tasks.registerTask(task);
    }
    if (registered.is(error::NotSupported)) return writeRunValue(platform, program);
    if (registered.ok()) removeRunValue(platform, program);
    return registered;
}

Status RemoveEveryUsersLogonTask(platform::Platform& platform, std::string_view productName, std::string_view program,
                                 std::size_t& removed) {
    removed = 0;
    auto& tasks = platform.logonTasks;
    std::vector<std::string> names;
    const Status listed = tasks.taskNames(names);
    if (listed.is(error::NotSupported)) return Status::success();
    if (!listed.ok() && !listed.is(SchedulerCannotList)) return listed;
    // A scheduler that cannot list its tasks still finds one by name: this user's at least goes.
    const std::string user = tasks.currentUser();
    const std::string own = LogonTaskName(productName, user);
    if (!user.empty() &&
        std::none_of(names.begin(), names.end(), [&own](const std::string& name) { return text::equalsNoCase(name, own); }))
        names.push_back(own);
    const std::string prefix = std::string(productName) + " (";
    const std::string path = programPath(platform, program);
    Status outcome;
    for (const auto& name : names) {
        if (!text::startsWithNoCase(name, prefix) || name.back() != ')') continue;
        std::string xml;
        if (!tasks.storedDefinition(name, xml).ok()) continue;
        // Another copy of the program, installed elsewhere, keeps its users' tasks.
        if (text::containsNoCase(xml, "<Command>") && !text::containsNoCase(xml, path)) continue;
        const Status deleted = tasks.deleteTask(name);
        if (deleted.ok()) {
            ++removed;
        } else if (outcome.ok()) {
            outcome = deleted;
        }
    }
    return outcome;
}

}  // namespace sorvane::app
