#include <gtest/gtest.h>

#include <string>

#include "platform/logon_tasks.h"

namespace sorvane::platform {
namespace {

LogonTask sample() {
    LogonTask task;
    task.name = "Sorvane (tester@DESKTOP)";
    task.userId = "DESKTOP\\tester";
    task.command = "\"C:\\Program Files\\Sorvane\\Sorvane.exe\"";
    task.author = "Sorvane";
    task.description = "Starts Sorvane when DESKTOP\\tester logs on.";
    return task;
}

bool holds(const std::string& xml, const std::string& part) { return xml.find(part) != std::string::npos; }

TEST(LogonTaskXml, StartsTheProgramAtTheUsersLogonWithTheirHighestRightsForAsLongAsTheSessionLasts) {
    const std::string xml = LogonTaskXml(sample());
    EXPECT_TRUE(holds(xml, "<LogonTrigger>\r\n      <Enabled>true</Enabled>\r\n      <UserId>DESKTOP\\tester</UserId>\r\n"));
    EXPECT_TRUE(holds(xml, "<Principal id=\"Author\">\r\n      <UserId>DESKTOP\\tester</UserId>\r\n"
                           "      <LogonType>InteractiveToken</LogonType>\r\n      <RunLevel>HighestAvailable</RunLevel>"));
    EXPECT_TRUE(holds(xml, "<Actions Context=\"Author\">\r\n    <Exec>\r\n"
                           "      <Command>&quot;C:\\Program Files\\Sorvane\\Sorvane.exe&quot;</Command>\r\n    </Exec>"));
    EXPECT_TRUE(holds(xml, "<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>"));
    EXPECT_TRUE(holds(xml, "<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"));
    EXPECT_TRUE(holds(xml, "<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"));
    EXPECT_FALSE(holds(xml, "<Arguments>"));
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<Task version=\"1.2\"", 0), 0u);

    LogonTask limited = sample();
    limited.highestRights = false;
    limited.arguments = "/tray";
    const std::string limitedXml = LogonTaskXml(limited);
    EXPECT_TRUE(holds(limitedXml, "<RunLevel>LeastPrivilege</RunLevel>"));
    EXPECT_TRUE(holds(limitedXml, "<Arguments>/tray</Arguments>"));
}

TEST(LogonTaskXml, NamesAndPathsCannotBreakOutOfTheirElements) {
    // A folder such as "R&D <new>" and a user name with an apostrophe stay text.
    LogonTask task = sample();
    task.command = "\"C:\\R&D <new>\\Sorvane.exe\"";
    task.userId = "DESKTOP\\o'brien";
    const std::string xml = LogonTaskXml(task);
    EXPECT_TRUE(holds(xml, "<Command>&quot;C:\\R&amp;D &lt;new&gt;\\Sorvane.exe&quot;</Command>"));
    EXPECT_TRUE(holds(xml, "<UserId>DESKTOP\\o&apos;brien</UserId>"));
    EXPECT_FALSE(holds(xml, "R&D"));
    EXPECT_FALSE(holds(xml, "<new>"));
}

}  // namespace
}  // namespace sorvane::platform
