#include "removal/process_stop.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_processes.h"
#include "ui/headless/headless_host.h"

namespace sorvane::removal {
namespace {

class ProcessStopTest : public ::testing::Test {
protected:
    fakes::FakeProcesses processes;
    ui::HeadlessHost host;
};

TEST_F(ProcessStopTest, NothingRunningIsSuccessAndInstancesStopOneAtATime) {
    EXPECT_TRUE(StopProcessByName(processes, host, "absent.exe"));
    EXPECT_TRUE(processes.terminations.empty());
    processes.add(11, "C:\\a\\twin.exe");
    processes.add(12, "C:\\b\\twin.exe");
    EXPECT_TRUE(StopProcessByName(processes, host, "TWIN.EXE"));
    EXPECT_FALSE(processes.running(11));
    EXPECT_TRUE(processes.running(12));
    EXPECT_TRUE(StopProcessByName(processes, host, "twin.exe"));
    EXPECT_FALSE(processes.running(12));
}

TEST_F(ProcessStopTest, AliasesAndLongNamesMatch) {
    processes.add(3, "C:\\PROGRA~1\\LONGNA~1.EXE");
    EXPECT_TRUE(StopProcessByName(processes, host, "longname-program.exe"));
    EXPECT_FALSE(processes.running(3));
    processes.add(4, "C:\\x\\averyverylongname123.exe");
    // Only the first 15 characters count for names of 16 or more.
    EXPECT_TRUE(StopProcessByName(processes, host, "averyverylongnaXYZ.exe"));
    EXPECT_FALSE(processes.running(4));
    EXPECT_EQ(ReducedProcessName("short.name.exe"), "short");
}

TEST_F(ProcessStopTest, ResistingProcessGetsElevenAttemptsWithTheDebugPrivilege) {
    processes.add(5, "C:\\x\\tough.exe").resists = true;
    EXPECT_FALSE(StopProcessByName(processes, host, "tough.exe"));
    EXPECT_EQ(processes.terminations.size(), 11u);
    EXPECT_GE(processes.privilegeRequests, 1);
    processes.add(6, "C:\\x\\guarded.exe").needsDebugPrivilege = true;
    EXPECT_TRUE(StopProcess(processes, 6, 0));
}

TEST_F(ProcessStopTest, NoTerminationWithoutThePrivilegeOnNtButDirectlyOn9x) {
    processes.add(7, "C:\\x\\p.exe");
    processes.setDebugPrivilegeResult(5);
    EXPECT_FALSE(StopProcess(processes, 7, 0));
    EXPECT_TRUE(processes.terminations.empty());
    processes.setVersion({4, 10, 2222, 1});
    EXPECT_TRUE(StopProcess(processes, 7, 0));
}

}  // namespace
}  // namespace sorvane::removal
