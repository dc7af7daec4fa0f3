#include <gtest/gtest.h>

#include <string>

#include "app/start_at_logon.h"
#include "cli/cli.h"
#include "tests/unit/cli/console_test.h"

namespace sorvane::cli {
namespace {

constexpr const char* Options = "Software\\VB and VBA Program Settings\\Sorvane\\OptionAndSettings";
constexpr const char* TestersTask = "Sorvane (tester@DESKTOP)";

class StartupCommand : public ConsoleTest {
protected:
    // A logon task of `user` ("DOMAIN\name") that starts the window program in `folder`.
    void plantTask(const std::string& name, const std::string& user, const std::string& folder) {
        platform::LogonTask task;
        task.name = name;
        task.userId = user;
        task.command = "\"" + folder + "\\Sorvane.exe\"";
        fake.logonTasks.tasks[name] = task;
    }
    std::optional<std::string> choice() {
        return fake.registry.stringValue(platform::RootKey::CurrentUser, Options, "chkRunAtStartup");
    }
};

TEST_F(StartupCommand, OnAndOffChangeThisUsersTaskAndTheWindowsCheckBox) {
    EXPECT_EQ(run({"startup", "on"}), ExitClean) << err.str();
    ASSERT_EQ(fake.logonTasks.tasks.count(TestersTask), 1u);
    EXPECT_TRUE(fake.logonTasks.tasks[TestersTask].highestRights);
    EXPECT_EQ(fake.logonTasks.tasks[TestersTask].command, "\"C:\\Program Files\\Sorvane\\Sorvane.exe\"");
    EXPECT_EQ(choice(), "1");

    EXPECT_EQ(run({"startup", "off"}), ExitClean) << err.str();
    EXPECT_TRUE(fake.logonTasks.tasks.empty());
    EXPECT_EQ(choice(), "0");
    // Off when nothing is set up is no failure.
    EXPECT_EQ(run({"startup", "off"}), ExitClean) << err.str();
}

TEST_F(StartupCommand, AFailureExitsWithItsCauseAndLeavesTheChoiceAlone) {
    fake.logonTasks.failure = platform::error::SchedulerNotRunning;
    EXPECT_EQ(run({"startup", "on"}), ExitError);
    EXPECT_NE(err.str().find("could not be changed: The Task Scheduler service is not running"), std::string::npos)
        << err.str();
    EXPECT_FALSE(choice().has_value());
    err.str("");
    EXPECT_EQ(run({"startup", "remove-all"}), ExitError);
    EXPECT_NE(err.str().find("The Task Scheduler service is not running"), std::string::npos) << err.str();

    for (const auto& args : {std::vector<std::string>{"startup"}, {"startup", "maybe"}, {"startup", "on", "off"}})
        EXPECT_EQ(run(args), ExitError);
    EXPECT_NE(err.str().find("Usage: SorvaneCmd startup on|off|remove-all"), std::string::npos);
}

TEST_F(StartupCommand, RemoveAllTakesEveryUsersTaskOfThisFolderOnly) {
    plantTask(TestersTask, "DESKTOP\\tester", "C:\\Program Files\\Sorvane");
    plantTask("Sorvane (other@DESKTOP)", "DESKTOP\\other", "c:\\program files\\sorvane");
    // The same product installed in another folder, and tasks of other programs.
    plantTask("Sorvane (third@DESKTOP)", "DESKTOP\\third", "D:\\Tools\\Sorvane");
    plantTask("Sorvane Helper", "DESKTOP\\tester", "C:\\Program Files\\Sorvane");
    plantTask("SorvaneX (tester@DESKTOP)", "DESKTOP\\tester", "C:\\Program Files\\Sorvane");

    EXPECT_EQ(run({"startup", "remove-all"}), ExitClean) << err.str();
    EXPECT_EQ(out.str(), "2\n");
    EXPECT_EQ(fake.logonTasks.tasks.count(TestersTask), 0u);
    EXPECT_EQ(fake.logonTasks.tasks.count("Sorvane (other@DESKTOP)"), 0u);
    EXPECT_EQ(fake.logonTasks.tasks.size(), 3u);
}

// Wine's scheduler before version 9: it keeps tasks and finds one by name, but lists none.
class ListlessLogonTasks : public fakes::FakeLogonTasks {
public:
    platform::Status taskNames(std::vector<std::string>& names) override {
        names.clear();
        return platform::Status::failure(app::SchedulerCannotList);
    }
};

TEST_F(StartupCommand, RemoveAllWithASchedulerThatCannotListRemovesThisUsersTask) {
    ListlessLogonTasks listless;
    const platform::Platform& p = fake.platform();
    platform::Platform withListless{p.registry,      p.files,     p.shell,       p.processes,   p.versions,
                                    p.locale,        p.instance,  p.http,        p.restorePoints, p.clipboard,
                                    p.environment,   p.signatures, listless};
    const auto removeAll = [&] {
        Console console{in, out, err};
        std::vector<std::string> args{"startup", "remove-all"};
        return dispatch(withListless, args, console);
    };
    for (const char* user : {"tester", "other"}) {
        platform::LogonTask task;
        task.name = std::string("Sorvane (") + user + "@DESKTOP)";
        task.userId = std::string("DESKTOP\\") + user;
        task.command = "\"C:\\Program Files\\Sorvane\\Sorvane.exe\"";
        listless.tasks[task.name] = task;
    }
    EXPECT_EQ(removeAll(), ExitClean) << err.str();
    EXPECT_EQ(out.str(), "1\n");
    EXPECT_EQ(listless.tasks.count(TestersTask), 0u);
    EXPECT_EQ(listless.tasks.count("Sorvane (other@DESKTOP)"), 1u);
    // Nothing of this user's left: still no failure.
    out.str("");
    EXPECT_EQ(removeAll(), ExitClean) << err.str();
    EXPECT_EQ(out.str(), "0\n");
}

}  // namespace
}  // namespace sorvane::cli
