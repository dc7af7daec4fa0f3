#include "processes/process_stop.h"

#include <gtest/gtest.h>

#include "tests/fakes/fake_processes.h"
#include "ui/headless/headless_host.h"

namespace sorvane::processes {
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

TEST_F(ProcessStopTest, AMatchedProcessIsStoppedByItsIdNotByItsNamesake) {
    processes.add(20, "C:\\Users\\me\\Tools\\updater.exe");
    processes.add(21, "C:\\Temp\\evil\\updater.exe");
    EXPECT_TRUE(StopMatchedProcess(processes, host, 21, "UPDATER.EXE"));
    EXPECT_TRUE(processes.running(20));
    EXPECT_FALSE(processes.running(21));
    // Without an id the first of that name goes, as a stop by name does.
    processes.add(22, "C:\\Temp\\evil\\updater.exe");
    EXPECT_TRUE(StopMatchedProcess(processes, host, 0, "updater.exe"));
    EXPECT_FALSE(processes.running(20));
    EXPECT_TRUE(processes.running(22));
}

TEST_F(ProcessStopTest, AnEndedOrReusedIdEndsNothing) {
    processes.add(30, "C:\\x\\other.exe");
    processes.add(31, "C:\\x\\target.exe");
    // 29 has ended; 30 now belongs to a program of another name.
    EXPECT_TRUE(StopMatchedProcess(processes, host, 29, "target.exe"));
    EXPECT_TRUE(StopMatchedProcess(processes, host, 30, "target.exe"));
    EXPECT_TRUE(processes.terminations.empty());
    // One whose name can no longer be read is not ended blindly.
    processes.add(32, "C:\\x\\target.exe").hidden = true;
    EXPECT_FALSE(StopMatchedProcess(processes, host, 32, "target.exe"));
    EXPECT_TRUE(processes.terminations.empty());
    processes.add(33, "C:\\x\\target.exe").resists = true;
    EXPECT_FALSE(StopMatchedProcess(processes, host, 33, "target.exe"));
    EXPECT_EQ(processes.terminations.size(), 11u);
}

TEST_F(ProcessStopTest, AProcessWhosePathCannotBeReadIsNotTakenForAbsent) {
    // Elevated, a service or another user's: listed without a path, named by the snapshot.
    processes.add(70, "C:\\x\\other.exe").hidden = true;
    auto& elevated = processes.add(71, "C:\\x\\elevated.exe");
    elevated.hidden = true;
    elevated.resists = true;
    EXPECT_FALSE(StopProcessByName(processes, host, "elevated.exe"));
    EXPECT_TRUE(processes.running(71));
    ASSERT_FALSE(processes.terminations.empty());
    EXPECT_EQ(processes.terminations.front().id, 71u);
    // One this account may end after all goes; the one of another name is never touched.
    processes.processes.back().resists = false;
    processes.terminations.clear();
    EXPECT_TRUE(StopProcessByName(processes, host, "ELEVATED.EXE"));
    EXPECT_FALSE(processes.running(71));
    EXPECT_TRUE(StopProcessByName(processes, host, "absent.exe"));
    EXPECT_TRUE(processes.running(70));
    for (const auto& t : processes.terminations) EXPECT_EQ(t.id, 71u);
}

TEST_F(ProcessStopTest, AStandardUserWithoutThePrivilegeStillStopsOwnProcesses) {
    processes.add(40, "C:\\x\\mine.exe");
    processes.setDebugPrivilegeResult(platform::error::NotAllAssigned);
    EXPECT_TRUE(StopProcessByName(processes, host, "mine.exe"));
    EXPECT_FALSE(processes.running(40));
    // Another user's process still needs the privilege the account lacks.
    processes.add(41, "C:\\x\\theirs.exe").needsDebugPrivilege = true;
    EXPECT_FALSE(StopProcess(processes, 41, 0));
}

TEST_F(ProcessStopTest, ThePrivilegeIsDroppedAfterEveryStop) {
    processes.add(50, "C:\\x\\guarded.exe").needsDebugPrivilege = true;
    processes.add(51, "C:\\x\\tough.exe").resists = true;
    EXPECT_TRUE(StopMatchedProcess(processes, host, 50, "guarded.exe"));
    EXPECT_FALSE(StopProcessByName(processes, host, "tough.exe"));
    EXPECT_FALSE(processes.debugPrivilege);
    EXPECT_EQ(processes.privilegeReleases, processes.privilegeRequests);
    EXPECT_EQ(processes.privilegeRequests, 12);
    EXPECT_EQ(processes.terminatedWithPrivilege.size(), 12u);
}

TEST_F(ProcessStopTest, AFailedEnumerationIsAFailedStop) {
    processes.add(60, "C:\\x\\p.exe");
    processes.listFailure = platform::error::AccessDenied;
    EXPECT_FALSE(StopProcessByName(processes, host, "p.exe"));
    EXPECT_FALSE(StopMatchedProcess(processes, host, 60, "p.exe"));
    EXPECT_TRUE(processes.terminations.empty());
}

}  // namespace
}  // namespace sorvane::processes
