#include "scan/memory_scan.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::scan::testing {
namespace {

using ::testing::ElementsAre;

class MemoryScanTest : public ScanFixture {
protected:
    MemoryScanTest() { ForgetWin9xDefinitions(); }
    ~MemoryScanTest() override { ForgetWin9xDefinitions(); }
};

TEST_F(MemoryScanTest, StopsListedProcessesButSparesMicrosoftExcludedAndTheCompanion) {
    fake.files.addFile("C:\\Windows\\bad.exe", "plain");
    fake.files.addFile("C:\\Windows\\msft.exe", versionResource("Microsoft Corporation"));
    fake.processes.add(10, "c:\\windows\\BAD.exe");
    fake.processes.add(11, "C:\\Windows\\msft.exe");
    fake.processes.add(12, "\\SystemRoot\\System32\\sysbad.exe");
    fake.processes.add(13, "C:\\Windows\\kept.exe");
    fake.processes.add(14, "C:\\Windows\\SorvaneProcessHelper.exe");
    fake.processes.add(15, "C:\\Other\\bad.exe");
    exclude("KEPT.EXE");
    definitions("ExeDefinition.dat", {"bad.exe=x|[windir]", "msft.exe=x|[windir]", "sysbad.exe=y|[system]",
                                      "kept.exe=z|[windir]", "SorvaneProcessHelper.exe=h|[windir]", "no path"});
    session.countDefinitions();
    ScanMemory(session);

    EXPECT_THAT(texts(summary()),
                ElementsAre("Detected in the memory : BAD.EXE was stopped from running.",
                            "Detected in the memory : SYSBAD.EXE was stopped from running.", "EXCLUDED: KEPT.EXE"));
    EXPECT_EQ(summary().item(0).smallIcon, icon::File);
    EXPECT_FALSE(fake.processes.running(10));
    EXPECT_FALSE(fake.processes.running(12));
    for (std::uint32_t id : {11u, 13u, 14u}) EXPECT_TRUE(fake.processes.running(id)) << id;
    // The one stop of bad.exe ended the first process of that name, which was the listed one.
    EXPECT_TRUE(fake.processes.running(15));
    EXPECT_EQ(session.state.threatsFound, 2);
    EXPECT_EQ(view.lblTotalNoOfRunningItems.caption(), "6");
    EXPECT_EQ(session.state.memoryInspected, 6 + 6);
}

TEST_F(MemoryScanTest, TheResultLineFollowsTheChosenLanguage) {
    messages["MSG_DETECTED_MEMORY"] = "Im Arbeitsspeicher gefunden:";
    messages["MSG_STOPPED_RUNNING"] = "Wurde beendet.";
    fake.processes.add(17, "C:\\Windows\\bad.exe");
    definitions("ExeDefinition.dat", {"bad.exe=x|[windir]"});
    ScanMemory(session);
    EXPECT_THAT(texts(summary()), ElementsAre("Im Arbeitsspeicher gefunden: BAD.EXE wurde beendet."));
}

TEST_F(MemoryScanTest, AnUnlistedNamesakeRunningFirstIsLeftRunning) {
    fake.processes.add(16, "C:\\Tools\\bad.exe");
    fake.processes.add(17, "C:\\Windows\\bad.exe");
    definitions("ExeDefinition.dat", {"bad.exe=x|[windir]"});
    ScanMemory(session);
    EXPECT_THAT(texts(summary()), ElementsAre("Detected in the memory : BAD.EXE was stopped from running."));
    EXPECT_TRUE(fake.processes.running(16));
    EXPECT_FALSE(fake.processes.running(17));
}

TEST_F(MemoryScanTest, AProcessThatSurvivesTheStopIsReportedAsNotStopped) {
    fake.processes.add(20, "C:\\Windows\\tough.exe").resists = true;
    definitions("ExeDefinition.dat", {"tough.exe=x|[windir]"});
    ScanMemory(session);
    ASSERT_EQ(summary().count(), 1u);
    EXPECT_EQ(summary().item(0).text,
              "Detected in the memory : TOUGH.EXE could not be stopped.  You should try again after saving your work "
              "and closing any open applications.");
    EXPECT_TRUE(fake.processes.running(20));
    EXPECT_EQ(fake.processes.terminations.size(), 11u);
}

TEST_F(MemoryScanTest, EveryOneOfManyProcessesIsInspected) {
    for (std::uint32_t id = 100; id < 400; ++id) fake.processes.add(id, "C:\\Windows\\p" + std::to_string(id) + ".exe");
    definitions("ExeDefinition.dat", {"p399.exe=x|[windir]"});
    ScanMemory(session);
    EXPECT_EQ(view.lblTotalNoOfRunningItems.caption(), "300");
    EXPECT_THAT(texts(summary()), ElementsAre("Detected in the memory : P399.EXE was stopped from running."));
}

// Keeps every alert a shield pass raises.
struct RecordedAlerts final : ShieldAlerts {
    std::vector<MemoryAlert> alerts;
    void memoryAlert(const MemoryAlert& alert) override { alerts.push_back(alert); }
};

TEST_F(MemoryScanTest, ShieldModeHandsTheHitToTheAlert) {
    fake.processes.add(30, "C:\\Windows\\bad.exe");
    definitions("ExeDefinition.dat", {"bad.exe=x|[windir]"});
    messages["MSG_NOCOMPANY"] = "No Company name available for";
    RecordedAlerts recorded;
    ShieldMemoryPass(session, recorded);
    EXPECT_EQ(session.state.mode, ScanMode::ShieldPass);
    const auto& alerts = recorded.alerts;
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].companyLine, "No Company name available for BAD.EXE");
    EXPECT_EQ(alerts[0].fileLine, "BAD.EXE");
    EXPECT_TRUE(fake.processes.running(30));
    EXPECT_TRUE(summary().empty());
}

TEST_F(MemoryScanTest, Windows9xMatchesOnlyWhereTheNameEndsItsLine) {
    fake.processes.setVersion({4, 10, 2222, 1});
    fake.processes.add(40, "C:\\WINDOWS\\BAD.EXE");
    fake.processes.add(41, "C:\\WINDOWS\\FOLDERED.EXE");
    definitions("ExeDefinition.dat", {"bad.exe", "foldered.exe=x|folder"});
    ScanMemory(session);
    EXPECT_THAT(texts(summary()), ElementsAre("Detected in the memory : BAD.EXE and was stopped being from ruuning."));
    EXPECT_FALSE(fake.processes.running(40));
    EXPECT_TRUE(fake.processes.running(41));
    EXPECT_EQ(fake.processes.privilegeRequests, 0);
}

TEST_F(MemoryScanTest, Windows9xShieldNoAnswerAppendsTheNameToTheExclusionFile) {
    fake.processes.setVersion({4, 10, 2222, 1});
    fake.processes.add(50, "C:\\WINDOWS\\BAD.EXE");
    definitions("ExeDefinition.dat", {"bad.exe"});
    host.queueAnswer(ui::Answer::No);
    RecordedAlerts recorded;
    ShieldMemoryPass(session, recorded);
    EXPECT_TRUE(recorded.alerts.empty());  // Windows 9x asks in its own message box
    EXPECT_EQ(fake.files.content(AppFolder + "\\ENoSignature.txt"), "BAD.EXE\r\n");
    EXPECT_TRUE(fake.processes.running(50));
    EXPECT_EQ(host.messages().at(0).title, "Sorvane  - Alert");
}

}  // namespace
}  // namespace sorvane::scan::testing
