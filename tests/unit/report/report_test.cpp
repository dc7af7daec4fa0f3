#include <sstream>

#include <nlohmann/json.hpp>

#include "app/frm_main.h"
#include "app/gui_features.h"
#include "cli/cli.h"
#include "report/frm_report.h"
#include "report/scan_report.h"
#include "scan/scan_driver.h"
#include "scan/scan_results.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::report {
namespace {

using scan::testing::AppFolder;
const std::string ReportAt = AppFolder + "\\Scan_Log.txt";
const std::string JsonAt = AppFolder + "\\Scan_Log.json";

ReportFacts sampleFacts() {
    ReportFacts facts;
    facts.productName = "Sorvane";
    facts.versionMajor = 3;
    facts.versionMinor = 0;
    facts.scanStartTime = "12/9/2026 3:00:01 AM";
    facts.scanEndTime = "12/9/2026 3:04:59 AM";
    facts.memoryInspected = "41";
    facts.registryInspected = "Not Selected";
    facts.filesFoldersInspected = "1,234";
    facts.threats = {{"BadBar", "C:\\Program Files\\Bad\\bad.exe"}, {"Tracker", "HKEY_CURRENT_USER\\Software\\Run"}};
    return facts;
}

// The report's fixed head for sampleFacts, as a reader sees it line by line.
const char* const Head =
    "\r\n\r\n"
    "                   Sorvanev3.0   Scan Report.\r\n\r\n"
    "\r\n\r\n"
    "-----------------------\r\n\r\n"
    " Scan Started at  : 12/9/2026 3:00:01 AM\r\n\r\n"
    " Scan Finished at : 12/9/2026 3:04:59 AM\r\n\r\n"
    "-----------------------\r\n\r\n"
    "\r\n\r\n\r\n\r\n\r\n\r\n"
    " 1)Total Number of Cookies and Processes inspected: 41\r\n\r\n"
    " 2)Total Number of Registry entries inspected: Not Selected\r\n\r\n"
    " 3)Total Number of Files/Folders inspected: 1,234\r\n\r\n"
    "\r\n\r\n"
    "[Threats Detected]\r\n\r\n\r\n";

TEST(ReportTextTest, EveryPrintEndsInOneMoreLineEndAndTheSectionsFollowTheThreats) {
    const std::string exclusions = ExclusionText("C:\\keep.exe\r\n\r\n \r\nHKLM\\Soft\tware\r\n");
    EXPECT_EQ(exclusions, "C:\\keep.exe\r\nHKLM\\Soft\tware\r\n");
    const std::string quarantine = QuarantineText("1/1/2026 - File: a.exe\r\n - Location: C:\\a.exe\r\n");
    EXPECT_EQ(quarantine, "1/1/2026 - File: a.exe\r\n\r\n - Location: C:\\a.exe\r\n\r\n");

    const std::string expected = std::string(Head) +
                                 "BadBar\r\n\r\n"
                                 "C:\\Program Files\\Bad\\bad.exe\r\n\r\n\r\n"
                                 "Tracker\r\n\r\n"
                                 "HKEY_CURRENT_USER\\Software\\Run\r\n\r\n\r\n"
                                 "Total = 2\r\n\r\n"
                                 "\r\n[Files Currently Excluded]\r\n\r\nC:\\keep.exe\r\nHKLM\\Soft\tware\r\n\r\n\r\n"
                                 "\r\n[Current Quarantine Log]\r\n\r\n"
                                 "1/1/2026 - File: a.exe\r\n\r\n - Location: C:\\a.exe\r\n\r\n\r\n\r\n\r\n"
                                 "\r\n\r\n"
                                 "=====================End Of Report.\r\n";
    EXPECT_EQ(ComposeReport(sampleFacts(), exclusions, quarantine), expected);
}

TEST(ReportTextTest, AnEmptyScanWithoutExclusionsOrQuarantineEndsRightAfterTheTotal) {
    auto facts = sampleFacts();
    facts.threats.clear();
    // Only empty lines and single blanks: no exclusion section at all.
    const std::string exclusions = ExclusionText("\r\n \r\n\r\n");
    EXPECT_TRUE(exclusions.empty());
    EXPECT_EQ(ComposeReport(facts, exclusions, ""),
              std::string(Head) + "Total = 0\r\n\r\n\r\n\r\n=====================End Of Report.\r\n");
}

TEST(ReportTextTest, TheViewerShowsTheDoubleSpacedFileSingleSpaced) {
    const std::string shown = ViewerText(ComposeReport(sampleFacts(), "C:\\keep.exe\r\n", ""));
    EXPECT_NE(shown.find("\r\n 1)Total Number of Cookies and Processes inspected: 41\r\n 2)Total Number of Registry "
                         "entries inspected: Not Selected\r\n 3)"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("[Threats Detected]\r\n\r\nBadBar\r\nC:\\Program Files\\Bad\\bad.exe\r\n\r\nTracker\r\n"),
              std::string::npos)
        << shown;
    EXPECT_NE(shown.find("[Files Currently Excluded]\r\nC:\\keep.exe\r\n"), std::string::npos) << shown;
    // A line of blanks counts as empty; the last line has no break after it.
    EXPECT_EQ(ViewerText("a\r\n   \r\nb"), "a\r\nb");
}

class ReportScanTest : public scan::testing::ScanFixture {
protected:
    ReportScanTest() {
        localization::Branding branding;
        branding.ProgramName = "Sorvane";
        branding.versionMajor = 3;
        session.hooks.makeReport = [this, branding] { written = MakeReport(session, branding); };
        session.choices.makeReport = true;
    }
    std::string file(const std::string& path) {
        std::string bytes;
        EXPECT_TRUE(fake.files.readFile(path, bytes).ok()) << path;
        return bytes;
    }
    ReportWrite written;
};

TEST_F(ReportScanTest, AScanWritesTheReportAndItsJsonAndTheNextScanReplacesThem) {
    fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    fake.files.addFile(AppFolder + "\\ENoSignature.txt", " \r\nC:\\mine.exe\r\n");
    fake.files.addFile(AppFolder + "\\quarantine\\QuarantineLog.txt", "old entry\r\n");
    scan::cmdScanNow_Click(session);

    const std::string first = file(ReportAt);
    EXPECT_NE(first.find("[Threats Detected]\r\n\r\n\r\nBadBar\r\n\r\nC:\\Program Files\\Bad\\bad.exe\r\n\r\n\r\n"
                         "Total = 1\r\n"),
              std::string::npos)
        << first;
    EXPECT_NE(first.find("[Files Currently Excluded]\r\n\r\nC:\\mine.exe\r\n"), std::string::npos);
    EXPECT_NE(first.find("[Current Quarantine Log]\r\n\r\nold entry\r\n\r\n"), std::string::npos);
    EXPECT_NE(first.find(" Scan Started at  : " + session.state.scanStartTime + "\r\n"), std::string::npos);
    // The totals of the whole scan, not the last figures the screen happened to show.
    ASSERT_GT(session.state.filesFoldersInspected, 0);
    EXPECT_NE(first.find(" 3)Total Number of Files/Folders inspected: " +
                         std::to_string(session.state.filesFoldersInspected) + "\r\n"),
              std::string::npos)
        << first;

    const auto json = nlohmann::json::parse(file(JsonAt));
    EXPECT_EQ(json["results"][0]["text"], "BadBar");
    EXPECT_EQ(json["started"], session.state.scanStartTime);
    EXPECT_EQ(json["finished"], session.state.scanEndTime);

    ASSERT_TRUE(fake.files.deleteFile("C:\\Program Files\\Bad\\bad.exe").ok());
    scan::cmdScanNow_Click(session);
    const std::string second = file(ReportAt);
    EXPECT_EQ(second.find("BadBar"), std::string::npos) << second;
    EXPECT_EQ(second.find("End Of Report."), second.rfind("End Of Report."));
    EXPECT_TRUE(nlohmann::json::parse(file(JsonAt))["results"].empty());
    EXPECT_FALSE(fake.files.lookup(ReportAt + ".new").has_value());

    // The bytes were on the disk before the new report took the old one's name.
    fake.files.powerCut();
    EXPECT_EQ(file(ReportAt), second);
    EXPECT_TRUE(nlohmann::json::parse(file(JsonAt))["results"].empty());
}

TEST_F(ReportScanTest, AStoppedScanStillWritesItsReportAndAnUncheckedOptionLeavesTheOldOne) {
    definitions("FileDefinition.dat", {"a.exe=A|[progfil]A", "b.exe=B|[progfil]B"});
    host.queueAnswer(ui::Answer::Yes);
    host.yieldHook = [this] {
        if (!session.state.stopRequested) scan::cmdStop_Click(session);
    };
    scan::cmdScanNow_Click(session);
    host.yieldHook = nullptr;
    ASSERT_TRUE(session.state.stopRequested);
    const std::string stopped = file(ReportAt);
    EXPECT_NE(stopped.find("Total = 0\r\n"), std::string::npos);

    session.choices.makeReport = false;
    fake.files.addFile("C:\\Program Files\\A\\a.exe", "plain");
    scan::cmdScanNow_Click(session);
    EXPECT_EQ(file(ReportAt), stopped);
}

TEST_F(ReportScanTest, AReportThatCannotBeReplacedStaysWholeAndLeavesNothingBeside) {
    scan::cmdScanNow_Click(session);
    const std::string first = file(ReportAt);
    fake.files.setInUse(ReportAt);
    fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    scan::cmdScanNow_Click(session);
    ASSERT_EQ(detail().count(), 1u);
    EXPECT_EQ(file(ReportAt), first);
    EXPECT_FALSE(fake.files.lookup(ReportAt + ".new").has_value());
    EXPECT_NE(file(JsonAt).find("BadBar"), std::string::npos);
    // The failure comes back with the file and the cause, for the user to be told.
    EXPECT_EQ(written.status.code(), platform::error::SharingViolation);
    EXPECT_EQ(written.path, ReportAt);
    const auto message = [](std::string_view key) { return "<" + std::string(key) + ">"; };
    EXPECT_EQ(ReportUnsavedText(written, message), "<MSG_REPORT_UNSAVED>\r\n" + ReportAt + ": <MSG_ERR_IN_USE>");
    EXPECT_EQ(ReportUnsavedText({platform::Status(1117), ReportAt}, message),
              "<MSG_REPORT_UNSAVED>\r\n" + ReportAt + ": Windows error 1117");

    fake.files.setInUse(ReportAt, false);
    scan::cmdScanNow_Click(session);
    EXPECT_TRUE(written.ok());
    EXPECT_NE(file(ReportAt).find("BadBar"), std::string::npos);
}

// The report's figures are the window's at the end of the scan: a phase switched off in the
// settings reads "Not Selected", the others their totals.
TEST_F(ReportScanTest, APhaseSwitchedOffReadsNotSelectedAndTheOthersTheirTotals) {
    fake.processes.add(20, "C:\\Windows\\calm.exe");
    definitions("RegistryDefinition.dat", {"1^Software\\A^=X", "1^Software\\B^=Y"});
    definitions("FileDefinition.dat", {"a.dll=X|[progfil]", "b.dll=X|[progfil]", "c.dll=X|[progfil]"});
    settings["OptionAndSettings/chkScanRegistry"] = "False";
    scan::cmdScanNow_Click(session);
    const auto facts = FactsOf(session, {});
    EXPECT_EQ(facts.registryInspected, "Not Selected");
    EXPECT_EQ(facts.registryInspected, view.lblRegistryInspected.caption());
    EXPECT_EQ(facts.memoryInspected, view.lblMemoryInspected.caption());
    EXPECT_EQ(facts.filesFoldersInspected, "3");
    EXPECT_EQ(facts.filesFoldersInspected, view.lblFilesFolderInspected.caption());

    settings["OptionAndSettings/chkScanRegistry"] = "True";
    settings["OptionAndSettings/chkSweepMemory"] = "False";
    scan::cmdScanNow_Click(session);
    EXPECT_EQ(FactsOf(session, {}).registryInspected, "2");
    EXPECT_EQ(FactsOf(session, {}).memoryInspected, "Not Selected");
}

TEST_F(ReportScanTest, BytesThatAreNotUtf8BecomeReplacementCharactersInTheJson) {
    auto summary = scan::Finding::at(scan::FindingKind::Process, "C:\\ok.exe");
    summary.summary = scan::SummaryRow{"ok \xc3\xa9", 3};
    session.record(std::move(summary));
    session.reportFile(scan::FindingKind::File, "C:\\Bad\\bad.dll", "Bad\xff" "Bar", "");
    const std::string text = scan::ScanResultsJson(session);
    const auto json = nlohmann::json::parse(text);  // throws on invalid UTF-8
    EXPECT_EQ(json["results"][0]["text"], "Bad\xef\xbf\xbd" "Bar");
    EXPECT_EQ(json["summary"][0]["text"], "ok \xc3\xa9");
    EXPECT_EQ(text.back(), '\n');
}

class ReportCommandTest : public scan::testing::ScanFixture {
protected:
    int run(const std::vector<std::string>& args) { return runCommand(args); }
};

TEST_F(ReportCommandTest, PrintsTheLastReportOrItsJsonAndExitsTwoWhenThereIsNone) {
    EXPECT_EQ(run({"report"}), cli::ExitError);
    EXPECT_NE(err.str().find("no scan report"), std::string::npos);
    EXPECT_EQ(run({"report", "--json"}), cli::ExitError);
    EXPECT_EQ(run({"report", "--xml"}), cli::ExitError);

    fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    ASSERT_EQ(run({"scan"}), cli::ExitFound) << err.str();
    ASSERT_EQ(run({"report"}), cli::ExitClean) << err.str();
    EXPECT_NE(out.str().find("\n[Threats Detected]\n\n\nBadBar\n\nC:\\Program Files\\Bad\\bad.exe\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find('\r'), std::string::npos);
    ASSERT_EQ(run({"report", "--json"}), cli::ExitClean);
    const auto json = nlohmann::json::parse(out.str());
    EXPECT_EQ(json["results"][0]["location"], "C:\\Program Files\\Bad\\bad.exe");
    EXPECT_TRUE(json.contains("started") && json.contains("finished") && json.contains("counters"));
}

TEST_F(ReportCommandTest, TheConsoleScanWritesNoReportWhenTheOptionIsOff) {
    ASSERT_TRUE(fake.registry
                    .setString(platform::RootKey::CurrentUser,
                               "Software\\VB and VBA Program Settings\\Sorvane\\OptionAndSettings", "chkMakeLog", "0")
                    .ok());
    ASSERT_EQ(run({"scan"}), cli::ExitClean) << err.str();
    EXPECT_FALSE(fake.files.lookup(ReportAt).has_value());
}

TEST(ReportViewerTest, ShowReportIsDisabledWhileTheViewerShowsAndTheViewerKeepsItsCaption) {
    fakes::FakePlatform fake;
    ui::HeadlessHost host;
    fake.environment.folder = AppFolder;
    app::Application application(fake.platform(), host);
    application.branding.ProgramName = "Sorvane";
    app::GuiFeatures features(application);
    app::FrmMain main(application);
    fake.files.addFile(ReportAt, "\r\n\r\nline one\r\n\r\nline two\r\n\r\n=====");

    bool labelEnabled = true;
    std::string shown, caption;
    host.scriptModal("frmReport", [&](ui::Form& form) {
        labelEnabled = main.lblViewLogFile.enabled();
        shown = ui::captionOf(form, "txtReport");
        caption = form.caption();
        ui::clickControl(form, "cmdOk");
    });
    ui::clickControl(main, "cmdLog");
    EXPECT_FALSE(labelEnabled);
    EXPECT_TRUE(main.lblViewLogFile.enabled());
    EXPECT_EQ(shown, "\r\n\r\nline one\r\nline two\r\n=====");
    EXPECT_EQ(caption, "Sorvane Log");
    EXPECT_FALSE(features.report.viewer().loaded());

    // Without a report the viewer is empty but keeps its caption.
    ASSERT_TRUE(fake.files.deleteFile(ReportAt).ok());
    ui::clickControl(main, "lblViewLogFile");
    EXPECT_EQ(shown, "");
    EXPECT_EQ(caption, "Sorvane Log");
    EXPECT_EQ(host.modalShows().size(), 2u);
}

}  // namespace
}  // namespace sorvane::report
