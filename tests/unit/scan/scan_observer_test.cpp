#include "scan/cookie_scan.h"
#include "scan/scan_driver.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::scan::testing {
namespace {

using ::testing::ElementsAre;

// A front end with no window: it writes down what the scan tells it, leaving out the
// refreshes that come every so many items.
class RecordingObserver : public ScanObserver {
public:
    void scanStarted() override { events.push_back("started"); }
    void phasesBegin() override { events.push_back("phases"); }
    void phaseStarted(ScanPhase, const std::string& caption) override { events.push_back("phase " + caption); }
    void phaseSwitchedOff(ScanPhase, const std::string& text) override { events.push_back("off " + text); }
    void progressChanged(const ScanProgress& progress) override {
        if (progress.counters) lastCounters = *progress.counters;
    }
    void statusChanged(const std::string&) override {}
    void runningProgramsCounted(std::int32_t count) override { runningPrograms = count; }
    void driveSweepStarted() override { events.push_back("sweep"); }
    void driveSweepProgress(int, const std::string&) override {}
    void driveSweepEnded() override { events.push_back("sweep ended"); }
    void findingAdded(const Finding& finding) override { events.push_back("found " + finding.path); }
    void fileMissing(const MissingFile& file) override { events.push_back("missing " + file.name); }
    void scanFinished(const ScanEnd& scanEnd) override {
        events.push_back("finished");
        end = scanEnd;
    }
    void scanClosed() override { events.push_back("closed"); }

    std::vector<std::string> events;
    ScanEnd end;
    ScanCounters lastCounters;
    std::int32_t runningPrograms = -1;
};

class ObserverTest : public ScanFixture {
protected:
    ObserverTest() { messages["MSG_COOKIES_FINISHED"] = "Cookies done"; }
    RecordingObserver recorder;
    ScanSession headless{fake.platform(), host, recorder, exclusions, app(), {}, AppFolder};
};

// A complete scan told to a front end without a window: every step in order, from the start
// to the files the sweep found away from their place, and the outcome with its totals.
TEST_F(ObserverTest, AScanTellsItsFrontEndEveryStepInOrderWithoutAWindow) {
    fake.files.addFile("C:\\Elsewhere\\gone.exe", "plain");
    fake.processes.add(12, "C:\\Windows\\fine.exe");
    definitions("FileDefinition.dat", {"gone.exe=Gone|[progfil]Gone"});
    settings["OptionAndSettings/chkScanRegistry"] = "False";
    headless.choices.complete = true;
    headless.choices.drives = {"C"};
    cmdScanNow_Click(headless);

    EXPECT_THAT(recorder.events,
                ElementsAre("started", "phases", "phase Inspecting Cookies", "phase Inspecting memory",
                            "phase Scanning registry", "off Not Selected", "phase Scanning known Spyware/Adware",
                            "missing gone.exe", "sweep", "found C:\\Elsewhere\\gone.exe", "sweep ended", "finished",
                            "closed"));
    EXPECT_EQ(recorder.end.outcome, ScanOutcome::Completed);
    EXPECT_EQ(recorder.end.status, "Scanning complete.");
    EXPECT_EQ(recorder.end.counters.threatsFound, 1);
    EXPECT_EQ(recorder.end.counters.filesFoldersInspected, 1);
    EXPECT_FALSE(recorder.end.counters.registryPhaseOn);
    EXPECT_EQ(recorder.runningPrograms, headless.state.runningPrograms);
    EXPECT_GT(recorder.runningPrograms, 0);
    EXPECT_TRUE(headless.state.ended);
    // The window the fixture holds heard nothing of it.
    EXPECT_TRUE(summary().empty());
    EXPECT_TRUE(view.lvwFileNotFounds.empty());
}

TEST_F(ObserverTest, AStoppedScanEndsCancelledWithItsTotals) {
    std::vector<std::string> lines;
    for (int i = 0; i < 50; ++i) lines.push_back("1^Software\\Absent" + std::to_string(i) + "^=Absent");
    definitions("RegistryDefinition.dat", lines);
    host.yieldHook = [this] {
        if (headless.state.registryInspected == 20) headless.state.stopRequested = true;
    };
    cmdScanNow_Click(headless);
    EXPECT_EQ(recorder.end.outcome, ScanOutcome::Cancelled);
    EXPECT_EQ(recorder.end.status, "Scanning was cancelled.");
    EXPECT_EQ(recorder.end.percentText, "0% Completed.");
    EXPECT_GE(recorder.end.counters.registryInspected, 20);
    EXPECT_LT(recorder.end.counters.registryInspected, 50);
    EXPECT_EQ(recorder.events.back(), "closed");
}

// The report is the front end's choice for the scan, not a box the engine looks at.
TEST_F(ObserverTest, TheReportFollowsTheChoiceGivenForTheScan) {
    int reports = 0;
    headless.hooks.makeReport = [&reports] { ++reports; };
    cmdScanNow_Click(headless);
    EXPECT_EQ(reports, 0);
    headless.choices.makeReport = true;
    cmdScanNow_Click(headless);
    EXPECT_EQ(reports, 1);
}

// A cookie met once the scan's end was shown is recorded as seen but reported as no threat,
// whatever state the window's buttons are in.
TEST_F(ObserverTest, ACookieMetAfterTheScanEndedIsLeftAtTheSummary) {
    const std::string folder = "C:\\Users\\User\\AppData\\Roaming\\Microsoft\\Windows\\Cookies";
    fake.files.addFile(folder + "\\user@tracker[1].txt", "id\n42\nwww.tracker.com/\n1536\n");
    definitions("BlockedCookies.dat", {"tracker.com"});
    view.cmdScanNow.setEnabled(false);
    headless.state.ended = true;
    ScanCookies(headless);
    ASSERT_EQ(headless.findings.size(), 1u);
    EXPECT_FALSE(headless.findings.all()[0].removal.has_value());
    EXPECT_EQ(headless.state.threatsFound, 0);

    headless.findings.clear();
    view.cmdScanNow.setEnabled(true);
    headless.state.ended = false;
    ScanCookies(headless);
    ASSERT_EQ(headless.findings.size(), 1u);
    EXPECT_TRUE(headless.findings.all()[0].removal.has_value());
    EXPECT_EQ(headless.state.threatsFound, 1);
}

// The files missing from their place are the scan's own record, found by name whatever its
// letter case; the first definition of a name is the one a hit reports.
TEST(MissingFilesTest, LookedUpByNameIgnoringCaseTheFirstDefinitionWins) {
    MissingFiles missing;
    EXPECT_TRUE(missing.empty());
    missing.add({"Gone.exe", "First", "one"});
    missing.add({"GONE.EXE", "Second", "two"});
    missing.add({"other.dll", "Other", ""});
    ASSERT_NE(missing.find("gone.EXE"), nullptr);
    EXPECT_EQ(missing.find("gone.EXE")->threat, "First");
    EXPECT_EQ(missing.find("OTHER.DLL")->threat, "Other");
    EXPECT_EQ(missing.find("absent.exe"), nullptr);
    EXPECT_EQ(missing.all().size(), 3u);
    missing.clear();
    EXPECT_EQ(missing.find("gone.exe"), nullptr);
}

}  // namespace
}  // namespace sorvane::scan::testing
