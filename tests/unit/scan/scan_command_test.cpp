#include <algorithm>
#include <sstream>

#include "app/frm_main.h"
#include "cli/cli.h"
#include "cli/commands_list.h"
#include "scan/main_window_scan.h"
#include "tests/unit/scan/scan_fixture.h"

namespace sorvane::scan::testing {
namespace {

class ScanCommandTest : public ScanFixture {
protected:
    int run(const std::vector<std::string>& args) { return runCommand(args); }
};

TEST_F(ScanCommandTest, PrintsTheFindingsAsJsonAndExitsOneWhenSomethingWasFound) {
    fake.registry.putString(platform::RootKey::CurrentUser, "Software\\Run", "bad", "C:\\bad \"quoted\".exe");
    fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
    fake.processes.add(77, "C:\\Program Files\\Bad\\bad.exe");
    definitions("RegistryDefinition.dat", {"1^Software\\Run^bad=BadBar|Run entry"});
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    definitions("ExeDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    ASSERT_EQ(run({"scan", "--json"}), cli::ExitFound) << err.str();

    const std::string json = out.str();
    EXPECT_NE(json.find(R"({"text":"Detected in the memory : BAD.EXE was stopped from running.","icon":3})"),
              std::string::npos) << json;
    EXPECT_NE(json.find(R"({"text":"BadBar","location":"HKEY_CURRENT_USER\\Software\\Runbad","note":"Run entry",)"
                        R"("icon":2,"checked":false})"),
              std::string::npos) << json;
    EXPECT_NE(json.find(R"("files":[{"path":"C:\\Program Files\\Bad\\bad.exe","threat":"BadBar"}])"),
              std::string::npos) << json;
    EXPECT_NE(json.find(R"("registry":[{"root":"HKEY_CURRENT_USER","key":"Software\\Run","value":"bad",)"),
              std::string::npos) << json;
    EXPECT_NE(json.find(R"("counters":{"memory":2,"registry":1,"filesFolders":1,"threats":2,"traces":2},)"
                        R"("stopped":false})"),
              std::string::npos) << json;
    EXPECT_FALSE(fake.processes.running(77));
    EXPECT_NE(err.str().find("Scanning registry"), std::string::npos);
    // Every phase is announced once, the cookie phase too, though it finds nothing to yield over.
    for (const char* phase : {"Inspecting Cookies\n", "Inspecting memory\n", "Scanning registry\n",
                              "Scanning known Spyware/Adware\n"}) {
        const auto at = err.str().find(phase);
        EXPECT_NE(at, std::string::npos) << phase << err.str();
        EXPECT_EQ(err.str().find(phase, at + 1), std::string::npos) << phase << err.str();
    }
}

TEST_F(ScanCommandTest, ReadsEachDefinitionFileOnce) {
    definitions("RegistryDefinition.dat", {"1^Software\\A^=X", "1^Software\\B^=Y"});
    definitions("FileDefinition.dat", {"a.dll=X|[progfil]"});
    definitions("DirectoryDefinition.dat", {"x=Y|[progfil]Gone"});
    definitions("ExeDefinition.dat", {"bad.exe=X|[windir]"});
    ASSERT_EQ(run({"scan"}), cli::ExitClean) << err.str();
    for (auto name : {"RegistryDefinition.dat", "FileDefinition.dat", "DirectoryDefinition.dat", "ExeDefinition.dat"}) {
        const std::string path = AppFolder + "\\" + name;
        EXPECT_EQ(fake.files.bytesRead(path), fake.files.content(path)->size()) << name;
    }
    EXPECT_NE(out.str().find("Threats found: 0"), std::string::npos);
}

TEST_F(ScanCommandTest, CleanMachineExitsZeroAndMissingDefinitionsOrBadArgumentsExitTwo) {
    EXPECT_EQ(run({"scan"}), cli::ExitClean) << err.str();
    EXPECT_NE(out.str().find("Threats found: 0"), std::string::npos);
    EXPECT_EQ(run({"scan", "--xml"}), cli::ExitError);
    ASSERT_TRUE(fake.files.deleteFile(AppFolder + "\\ExeDefinition.dat").ok());
    EXPECT_EQ(run({"scan", "--json"}), cli::ExitError);
    EXPECT_TRUE(out.str().empty());
}

TEST_F(ScanCommandTest, QuickAndCompleteDecideWhetherTheDrivesAreSwept) {
    fake.files.addFile("C:\\Stray\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});

    EXPECT_EQ(run({"scan", "--complete", "--quick"}), cli::ExitClean) << err.str();
    EXPECT_EQ(out.str().find("C:\\Stray\\bad.exe"), std::string::npos);

    ASSERT_EQ(run({"scan", "--quick", "--complete"}), cli::ExitFound) << err.str();
    EXPECT_NE(out.str().find("C:\\Stray\\bad.exe"), std::string::npos) << out.str();
}

// A complete scan tells on stderr which drive it sweeps and how far it is, a line whenever
// that changed by the time the scan lets events run, never the same line twice in a row.
TEST_F(ScanCommandTest, TheDriveSweepsProgressIsPrintedAsItChanges) {
    for (int i = 0; i < 150; ++i) fake.files.addFile("C:\\Many\\f" + std::to_string(i) + ".txt", "plain");
    for (int i = 0; i < 5; ++i) fake.files.addFile("C:\\top" + std::to_string(i) + ".txt", "plain");
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    ASSERT_EQ(run({"scan", "--complete"}), cli::ExitClean) << err.str();
    std::vector<std::string> lines;
    std::istringstream printed(err.str());
    for (std::string line; std::getline(printed, line);) lines.push_back(line);
    const auto sweep = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.rfind(" Scanning  C:\\    [ ", 0) == 0 && line.find("% Completed. ]") != std::string::npos;
    });
    EXPECT_GE(sweep, 1) << err.str();
    EXPECT_EQ(std::adjacent_find(lines.begin(), lines.end()), lines.end()) << err.str();
}

TEST_F(ScanCommandTest, AStoppedProcessAloneIsAThreatFound) {
    fake.processes.add(77, "C:\\Program Files\\Bad\\bad.exe");
    definitions("ExeDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    EXPECT_EQ(run({"scan"}), cli::ExitFound) << out.str();
    EXPECT_FALSE(fake.processes.running(77));
    EXPECT_NE(out.str().find("was stopped from running"), std::string::npos) << out.str();
}

TEST_F(ScanCommandTest, WithoutAScopeArgumentTheStoredScopeHoldsAndNoneMeansQuick) {
    fake.files.addFile("C:\\Stray\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    const std::string options = "Software\\VB and VBA Program Settings\\Sorvane\\OptionAndSettings";

    // A profile the window never used: no drive is swept.
    EXPECT_EQ(run({"scan"}), cli::ExitClean) << out.str();
    EXPECT_EQ(out.str().find("C:\\Stray\\bad.exe"), std::string::npos) << out.str();

    fake.registry.putString(platform::RootKey::CurrentUser, options, "optScanAllSelectedHardDrive", "True");
    EXPECT_EQ(run({"scan"}), cli::ExitFound) << err.str();
    EXPECT_NE(out.str().find("C:\\Stray\\bad.exe"), std::string::npos) << out.str();
    EXPECT_EQ(run({"scan", "--quick"}), cli::ExitClean);

    fake.registry.putString(platform::RootKey::CurrentUser, options, "optScanAllSelectedHardDrive", "False");
    EXPECT_EQ(run({"scan"}), cli::ExitClean);
    EXPECT_EQ(run({"scan", "--complete"}), cli::ExitFound);

    EXPECT_EQ(run({"--help"}), cli::ExitClean);
    EXPECT_NE(out.str().find("quick when none is stored"), std::string::npos) << out.str();
}

// The console's scan is the engine's alone: it makes no window, not even a hidden one, and
// still finds, prints and reports what the window's scan would.
TEST_F(ScanCommandTest, AScanMakesNoFormAndStillReportsWhatItFound) {
    fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    ui::HeadlessHost consoleHost;
    std::istringstream in;
    cli::Console console{in, out, err};
    fake.environment.folder = AppFolder;
    const std::vector<std::string> args{"--complete"};
    EXPECT_EQ(cli::runScanOn(consoleHost, fake.platform(), args, console), cli::ExitFound) << err.str();
    EXPECT_EQ(consoleHost.formsMade(), 0u);
    EXPECT_NE(out.str().find("BadBar"), std::string::npos) << out.str();
    EXPECT_TRUE(fake.files.exists(AppFolder + "\\Scan_Log.txt"));

    // The count is the host's own: a window made on it is counted.
    ScanWindow made(consoleHost);
    EXPECT_EQ(consoleHost.formsMade(), 1u);
}

TEST_F(ScanCommandTest, TheMainWindowHasEveryControlTheScanNeeds) {
    app::Application application(fake.platform(), host);
    app::FrmMain main(application);
    EXPECT_TRUE(ScanView::bind(main).has_value());
    MainWindowScan scan(application, exclusions);
    scan.install(application.hooks);
    EXPECT_TRUE(application.hooks.scanNow && application.hooks.syncWorkListChecks && application.hooks.fillDriveList);
}

TEST_F(ScanCommandTest, AReportThatCannotBeSavedIsNamedWithItsCauseAndTheExitIsTwo) {
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
    fake.files.protectFolder(AppFolder);
    EXPECT_EQ(run({"scan"}), cli::ExitError);
    // The findings still print; only the report is missing, and said to be.
    EXPECT_NE(out.str().find("BadBar"), std::string::npos) << out.str();
    EXPECT_NE(err.str().find("SorvaneCmd scan: The scan report could not be saved: " + AppFolder +
                             "\\Scan_Log.txt: Access denied\n"),
              std::string::npos)
        << err.str();
    EXPECT_FALSE(fake.files.exists(AppFolder + "\\Scan_Log.txt"));
    EXPECT_FALSE(fake.files.exists(AppFolder + "\\Scan_Log.txt.new"));
}

TEST_F(ScanCommandTest, ExcludeWritesTheExclusionFileOrSaysWhyItCouldNot) {
    definitions("FileDefinition.dat", {"bad.exe=BadBar|[progfil]Bad"});
    fake.files.addFile("C:\\Program Files\\Bad\\bad.exe", "plain");
    const std::string path = AppFolder + "\\ENoSignature.txt";
    fake.files.addFile(path, "old\r\n", platform::attribute::ReadOnly);
    EXPECT_EQ(run({"exclude", "C:\\Program Files\\Bad\\bad.exe"}), cli::ExitError);
    EXPECT_EQ(err.str(), "SorvaneCmd exclude: The exclusion could not be saved, so it holds only until Sorvane closes: " +
                             path + ": Access denied\n");
    EXPECT_EQ(fake.files.content(path), "old\r\n");
    EXPECT_EQ(run({"scan"}), cli::ExitFound);

    ASSERT_TRUE(fake.files.setAttributes(path, platform::attribute::Archive).ok());
    EXPECT_EQ(run({"exclude", "C:\\Program Files\\Bad\\bad.exe"}), cli::ExitClean) << err.str();
    EXPECT_EQ(fake.files.content(path), "old\r\nC:\\Program Files\\Bad\\bad.exe\r\n");
    EXPECT_EQ(run({"scan"}), cli::ExitClean) << out.str();
    EXPECT_EQ(run({"exclude"}), cli::ExitError);
}

}  // namespace
}  // namespace sorvane::scan::testing
