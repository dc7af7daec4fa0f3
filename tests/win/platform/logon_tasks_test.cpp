// The logon task through the real Task Scheduler: registered, its stored definition read back,
// replaced and deleted. The task has a name of its own and is deleted again.
#include <gtest/gtest.h>

#include <string>

#include "platform/file_system.h"
#include "platform/text.h"
#include "platform/win32/win32_logon_tasks.h"
#include "platform/win32/win32_services.h"
#include "tests/win/platform/task_scheduler_running.h"

namespace sorvane::platform {
namespace {

constexpr const char* TaskName = "Sorvane logon task test";

bool holds(const std::string& xml, const std::string& part) { return xml.find(part) != std::string::npos; }

class LogonTasksTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(wintest::TaskSchedulerRunning(), "");
        (void)tasks.deleteTask(TaskName);
    }
    void TearDown() override { (void)tasks.deleteTask(TaskName); }
    win32::Win32LogonTasks tasks;
};

TEST_F(LogonTasksTest, RegisteredReadBackReplacedAndDeleted) {
    const std::string user = tasks.currentUser();
    ASSERT_NE(user.find('\\'), std::string::npos) << user;  // DOMAIN\user

    win32::Win32Environment environment;
    LogonTask task;
    task.name = TaskName;
    task.userId = user;
    task.command = "\"" + JoinPath(environment.applicationFolder(), environment.executableBaseName() + ".exe") + "\"";
    task.author = "Sorvane";
    task.description = "First registration";
    ASSERT_TRUE(tasks.registerTask(task).ok());

    std::string xml;
    ASSERT_TRUE(tasks.storedDefinition(TaskName, xml).ok());
    EXPECT_TRUE(holds(xml, "<Author>Sorvane</Author>")) << xml;
    EXPECT_TRUE(holds(xml, "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>")) << xml;
    EXPECT_TRUE(holds(xml, "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>")) << xml;
    EXPECT_TRUE(holds(xml, "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>")) << xml;
    // Windows keeps the trigger, the principal and the command as registered. Wine 8's scheduler
    // keeps none of the three (it stores "<Triggers/>", an empty principal and "<Exec/>"), so they
    // are checked where the system keeps them.
    if (holds(xml, "<LogonTrigger>")) {
        EXPECT_TRUE(holds(xml, "<UserId>" + user + "</UserId>")) << xml;
    } else {
        EXPECT_TRUE(holds(xml, "<Triggers/>")) << xml;
    }
    if (holds(xml, "<RunLevel>")) {
        EXPECT_TRUE(holds(xml, "<RunLevel>HighestAvailable</RunLevel>")) << xml;
    }
    if (holds(xml, "<Command>")) {
        EXPECT_TRUE(holds(xml, task.command)) << xml;
    }

    // Registering under the same name replaces the task.
    task.author = "Sorvane again";
    ASSERT_TRUE(tasks.registerTask(task).ok());
    ASSERT_TRUE(tasks.storedDefinition(TaskName, xml).ok());
    EXPECT_TRUE(holds(xml, "<Author>Sorvane again</Author>")) << xml;

    ASSERT_TRUE(tasks.deleteTask(TaskName).ok());
    EXPECT_EQ(tasks.storedDefinition(TaskName, xml).code(), error::FileNotFound);
    EXPECT_TRUE(xml.empty());
    EXPECT_EQ(tasks.deleteTask(TaskName).code(), error::FileNotFound);
}

}  // namespace
}  // namespace sorvane::platform
