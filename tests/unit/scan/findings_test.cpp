#include <algorithm>

#include "scan/memory_scan.h"
#include "scan/scan_driver.h"
#include "scan/scan_results.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::scan::testing {
namespace {

using platform::RootKey;
using ::testing::ElementsAre;

class FindingsTest : public ScanFixture {
protected:
    FindingsTest() {
        // The scan driver runs from the idle window.
        view.cmdScan.setEnabled(true);
        view.cmdScanNow.setEnabled(true);
        settings["OptionAndSettings/optScanAllSelectedHardDrive"] = "False";
    }

    // A machine with one of each kind the definitions can name, one of them excluded.
    void plantOneOfEachKind() {
        fake.registry.putString(RootKey::CurrentUser, "Software\\Run", "bad", "C:\\bad.exe");
        fake.registry.addKey(RootKey::LocalMachine, "SOFTWARE\\BadVendor");
        fake.files.addFile("C:\\Program Files\\Bad\\bad.dll", "plain");
        fake.files.addFile("C:\\Program Files\\Kept\\kept.dll", "plain");
        fake.files.addFolder("C:\\Program Files\\BadFolder");
        fake.files.addFile("C:\\Windows\\runner.exe", "plain");
        fake.processes.add(40, "C:\\Windows\\runner.exe");
        exclude("C:\\Program Files\\Kept\\kept.dll");
        definitions("RegistryDefinition.dat",
                    {"1^Software\\Run^bad=RunBar|Run entry", "2^SOFTWARE\\BadVendor^=VendorBar|Vendor key"});
        definitions("FileDefinition.dat", {"bad.dll=RunBar|[progfil]Bad", "kept.dll=KeptBar|[progfil]Kept"});
        definitions("DirectoryDefinition.dat", {"BadFolder=FolderBar|[progfil]BadFolder"});
        definitions("ExeDefinition.dat", {"runner.exe=RunnerBar|[windir]"});
    }

    std::size_t countIf(bool (*pick)(const Finding&)) const {
        return static_cast<std::size_t>(std::count_if(session.findings.begin(), session.findings.end(), pick));
    }
    const Finding* findingOf(FindingKind kind) const {
        for (const auto& f : session.findings)
            if (f.kind == kind && !f.excluded) return &f;
        return nullptr;
    }
};

TEST_F(FindingsTest, EveryKindIsRecordedWithItsPlaceAndTheListsShowExactlyTheFindings) {
    plantOneOfEachKind();
    cmdScanNow_Click(session);

    const auto* value = findingOf(FindingKind::RegistryValue);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->registry.root, RootKey::CurrentUser);
    EXPECT_EQ(value->registry.key, "Software\\Run");
    EXPECT_EQ(value->registry.value, "bad");
    EXPECT_EQ(value->threat, "RunBar");
    EXPECT_EQ(value->note, "Run entry");
    const auto* key = findingOf(FindingKind::RegistryKey);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->registry.root, RootKey::LocalMachine);
    EXPECT_EQ(key->registry.value, "");
    // The file shares its threat with the registry value: a trace of it, with no row of its own.
    const auto* file = findingOf(FindingKind::File);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->path, "C:\\Program Files\\Bad\\bad.dll");
    EXPECT_TRUE(file->trace);
    EXPECT_FALSE(file->removal.has_value());
    const auto* folder = findingOf(FindingKind::Folder);
    ASSERT_NE(folder, nullptr);
    EXPECT_EQ(folder->threat, "FolderBar");
    const auto* process = findingOf(FindingKind::Process);
    ASSERT_NE(process, nullptr);
    EXPECT_NE(process->path.find("RUNNER.EXE"), std::string::npos);
    EXPECT_FALSE(fake.processes.running(40));
    EXPECT_EQ(countIf([](const Finding& f) { return f.excluded && f.kind == FindingKind::File; }), 1u);

    // Each list holds the rows of the findings, in the order found.
    std::vector<std::string> summaries, removals;
    for (const auto& f : session.findings) {
        if (f.summary) summaries.push_back(f.summary->text);
        if (f.removal) removals.push_back(f.removal->text);
    }
    EXPECT_EQ(texts(summary()), summaries);
    EXPECT_EQ(texts(detail()), removals);
    EXPECT_EQ(view.lvwRegistryToBeDeleted.count(), countIf([](const Finding& f) { return f.trace && f.isRegistry(); }));
    EXPECT_EQ(view.lvwFilesToBeDeleted.count(), countIf([](const Finding& f) {
                  return f.trace && (f.kind == FindingKind::File || f.kind == FindingKind::Folder);
              }));
    EXPECT_EQ(session.findings.traces(), 4u);
    EXPECT_EQ(view.lbltracesFound.caption(), "4");
}

TEST_F(FindingsTest, ANewScanStartsWithNoFindingsAndTheResultsStayTheScansOwn) {
    plantOneOfEachKind();
    cmdScanNow_Click(session);
    const std::string first = ScanResultsText(session);
    EXPECT_NE(first.find("VendorBar"), std::string::npos) << first;

    // The window's lists lose rows to a removal or an exclusion; what the scan found does not change.
    view.lvwSpywareFound.clear();
    view.lvwRegistryToBeDeleted.remove(0);
    EXPECT_EQ(ScanResultsText(session), first);

    (void)fake.registry.deleteKeyTree(RootKey::LocalMachine, "SOFTWARE\\BadVendor");
    cmdScanNow_Click(session);
    EXPECT_EQ(findingOf(FindingKind::RegistryKey), nullptr);
    const std::string second = ScanResultsText(session);
    EXPECT_EQ(second.find("VendorBar"), std::string::npos) << second;
    EXPECT_EQ(texts(summary()).size(),
              countIf([](const Finding& f) { return f.summary.has_value(); }));
}

class ScanModeTest : public ScanFixture, public ShieldAlerts {
protected:
    ScanModeTest() {
        fake.processes.add(30, "C:\\Windows\\bad.exe");
        definitions("ExeDefinition.dat", {"bad.exe=x|[windir]"});
    }
    void memoryAlert(const MemoryAlert& alert) override { alerts.push_back(alert.fileLine); }
    std::vector<std::string> alerts;
};

// The mode is the engine's own: no state of a button turns a shield pass into a scan that
// stops programs unasked, nor a scan into a pass that only asks.
TEST_F(ScanModeTest, AShieldPassAsksAndAScanStopsWhateverTheButtonsShow) {
    for (bool scanButtonEnabled : {true, false}) {
        view.cmdScan.setEnabled(scanButtonEnabled);
        session.shieldProcesses = {};  // the pass opens every process as new
        alerts.clear();
        ShieldMemoryPass(session, *this);
        EXPECT_THAT(alerts, ElementsAre("BAD.EXE")) << scanButtonEnabled;
        EXPECT_TRUE(fake.processes.running(30)) << scanButtonEnabled;
    }
    // The scan right after a pass: the pass's mode does not carry over.
    view.cmdScan.setEnabled(true);
    alerts.clear();
    ScanMemory(session);
    EXPECT_TRUE(alerts.empty());
    EXPECT_FALSE(fake.processes.running(30));
}

TEST_F(ScanModeTest, ShieldPassesShowAnExcludedProgramOnceAScanAtEachSighting) {
    exclude("BAD.EXE");
    fake.processes.add(31, "C:\\Windows\\bad.exe");
    for (int pass = 0; pass < 3; ++pass) {
        session.shieldProcesses = {};  // every pass sees both copies as new
        ShieldMemoryPass(session, *this);
    }
    EXPECT_THAT(texts(summary()), ElementsAre("EXCLUDED: BAD.EXE"));
    EXPECT_EQ(session.findings.size(), 1u);
    EXPECT_TRUE(alerts.empty());

    // A scan lists each running copy it passes over, as it always did.
    session.state.mode = ScanMode::UserScan;
    ScanMemory(session);
    EXPECT_THAT(texts(summary()), ElementsAre("EXCLUDED: BAD.EXE", "EXCLUDED: BAD.EXE", "EXCLUDED: BAD.EXE"));
    EXPECT_TRUE(fake.processes.running(30));
}

TEST_F(ScanModeTest, TheScanMarksItselfAUserScanUnlessTheSchedulerMarkedIt) {
    view.cmdScanNow.setEnabled(true);
    session.state.mode = ScanMode::ShieldPass;
    cmdScanNow_Click(session);
    EXPECT_EQ(session.state.mode, ScanMode::UserScan);
    EXPECT_FALSE(fake.processes.running(30));
    session.state.mode = ScanMode::ScheduledScan;
    cmdScanNow_Click(session);
    EXPECT_EQ(session.state.mode, ScanMode::ScheduledScan);
}

}  // namespace
}  // namespace sorvane::scan::testing
