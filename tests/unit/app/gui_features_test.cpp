#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/gui_features.h"
#include "definitions/definition_files.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::app {
namespace {

using platform::RootKey;

constexpr const char* UserRoot = "Software\\VB and VBA Program Settings\\Sorvane\\";
const std::string Folder = "C:\\Program Files\\Sorvane";
const std::string Threat = "C:\\Program Files\\bad.exe";

// The GUI program as its entry point assembles it, on fakes and the headless host.
struct Program {
    Program(fakes::FakePlatform& fake, ui::HeadlessHost& host)
        : app(fake.platform(), host), features(app), main(app), splash(app, main) {}
    Application app;
    GuiFeatures features;
    FrmMain main;
    FrmSplash splash;
};

class GuiFeaturesTest : public ::testing::Test {
protected:
    GuiFeaturesTest() {
        // As after a first start: no question stands in front of the main window.
        putUser("Settings", "Language", "English");
        putUser("Settings", "showHelp", "0");
        putUser("OptionAndSettings", "optScanAllSelectedHardDrive", "False");
        fake.registry.putString(RootKey::LocalMachine, "SOFTWARE\\Talvenor\\Sorvane\\Settings", "FirstTime", "Yes");
        for (auto name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat", "BlockedCookies.dat",
                          "DirectoryDefinition.dat"})
            fake.files.addFile(Folder + "\\" + name, "");
        definitions("FileDefinition.dat", "bad.exe=FileBar|[progfil]");
        definitions("RegistryDefinition.dat", "1^Software\\Bad^=RegBar");
        fake.files.addFile(Threat, "MZ bad");
        fake.registry.putString(RootKey::CurrentUser, "Software\\Bad", "", "default");
    }

    Program& start() {
        program.reset();
        host = std::make_unique<ui::HeadlessHost>();
        program = std::make_unique<Program>(fake, *host);
        program->splash.show();
        host->advance(2 * FrmSplash::Ticks);
        EXPECT_TRUE(program->main.visible());
        EXPECT_TRUE(host->messages().empty());
        return *program;
    }

    void putUser(std::string_view section, std::string_view key, std::string_view value) {
        fake.registry.putString(RootKey::CurrentUser, std::string(UserRoot) + std::string(section), key, value);
    }
    void definitions(std::string_view file, std::string_view line) {
        ASSERT_TRUE(fake.files
                        .writeFile(Folder + "\\" + std::string(file),
                                   definitions::StoredDefinitionLine(fake.locale, line) + "\r\n")
                        .ok());
    }
    std::vector<std::string> results() const {
        std::vector<std::string> rows;
        for (const auto& row : program->main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items())
            rows.push_back(row.text);
        return rows;
    }
    // "Start" on the Scan page, then "Select All" on the Results page.
    void scanAndSelectAll() {
        auto& main = program->main;
        main.cmdScanNow.click();
        ASSERT_EQ(main.lblStatus.caption(), "Scanning complete.");
        main.cmdResults.click();
        main.cmdSelectAll.click();
    }

    fakes::FakePlatform fake;
    std::unique_ptr<ui::HeadlessHost> host;
    std::unique_ptr<Program> program;
};

TEST_F(GuiFeaturesTest, StartFindsTheThreatsAndFillsEveryList) {
    auto& main = start().main;
    main.cmdScan.click();
    main.cmdScanNow.click();
    EXPECT_EQ(main.lblStatus.caption(), "Scanning complete.");
    EXPECT_EQ(results(), (std::vector<std::string>{"RegBar", "FileBar"}));
    EXPECT_EQ(main.lvwSpywareFound.count(), 2u);
    EXPECT_EQ(main.lvwFilesToBeDeleted.count(), 1u);
    EXPECT_EQ(main.lvwRegistryToBeDeleted.count(), 1u);
    EXPECT_TRUE(main.cmdRemove.visible());
    EXPECT_TRUE(main.cmdScanNow.enabled());
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(GuiFeaturesTest, ThePauseAndStopLabelsRunTheirOwnHandlers) {
    auto& main = start().main;
    main.cmdScan.click();
    bool pauseButtonEnabled = false;
    bool pauseLabelEnabled = true;
    host->decideAnswer = [&](const ui::ShownMessage& shown) -> std::optional<ui::Answer> {
        if (shown.text.find("paused") != std::string::npos) {
            pauseButtonEnabled = main.cmdPause.enabled();
            pauseLabelEnabled = main.lblPause.enabled();
        }
        return std::nullopt;
    };
    bool clicked = false;
    host->yieldHook = [&] {
        if (clicked) return;
        clicked = true;
        main.lblPause.click();
        main.lblStop.click();
    };
    main.cmdScanNow.click();
    ASSERT_EQ(host->messages().size(), 2u);
    // Every text shown has the branding filled in.
    EXPECT_EQ(host->messages()[0].text, "Sorvane has been paused.  Click OK to resume.");
    EXPECT_EQ(host->messages()[0].title, "Sorvane");
    EXPECT_TRUE(pauseButtonEnabled) << "the label variant disables only the label";
    EXPECT_FALSE(pauseLabelEnabled);
    EXPECT_TRUE(main.lblPause.enabled());
    EXPECT_EQ(host->messages()[1].text, "Are you sure?");
    EXPECT_EQ(host->messages()[1].style, ui::mb::YesNo);
    EXPECT_EQ(main.lblStatus.caption(), "Scanning was cancelled.");  // the default answer is Yes
}

TEST_F(GuiFeaturesTest, TheFileMenusLiveUpdateWaitsForTheScanToEnd) {
    auto& main = start().main;
    main.cmdScan.click();
    const std::size_t requestsBefore = fake.http.requests.size();  // the banner's, at start
    bool clicked = false;
    bool shieldOnDuringScan = false;
    host->yieldHook = [&] {
        if (clicked) return;
        clicked = true;
        main.mnuFileItem[4]->click();  // File > Run Live Update, never greyed
        shieldOnDuringScan = main.tmrMemoryInspected.on();
    };
    main.cmdScanNow.click();
    host->yieldHook = nullptr;
    ASSERT_TRUE(clicked);
    EXPECT_EQ(fake.http.requests.size(), requestsBefore);
    EXPECT_FALSE(shieldOnDuringScan);
    EXPECT_EQ(main.lblStatus.caption(), "Scanning complete.");
    EXPECT_EQ(results(), (std::vector<std::string>{"RegBar", "FileBar"}));
}

TEST_F(GuiFeaturesTest, AScanStartsWithTheDeleteFailedWindowHiddenAndEmpty) {
    auto& running = start();
    auto& problems = running.features.removal.deleteWindow();
    problems.addProblem("C:\\stuck.exe");
    problems.show();
    running.main.cmdScanNow.click();
    EXPECT_FALSE(problems.visible());
    EXPECT_TRUE(problems.lstProblem.empty());
}

TEST_F(GuiFeaturesTest, DriveRowsComeUpTickedFromTheSettingsAndStoreTheirTicks) {
    fake.files.addDrive("D:\\", platform::DriveType::Fixed);
    putUser("Drives", "D", "False");
    auto& main = start().main;
    ASSERT_EQ(main.lvwHardDrives.count(), 2u);
    EXPECT_TRUE(main.lvwHardDrives.item(0).checked) << "no stored key: ticked";
    EXPECT_FALSE(main.lvwHardDrives.item(1).checked);
    ui::tickRow(main, "lvwHardDrives", 1, true);
    EXPECT_EQ(fake.registry.stringValue(RootKey::CurrentUser, std::string(UserRoot) + "Drives", "D"), "True");
}

TEST_F(GuiFeaturesTest, DeleteAsksFirstWhileRemoveRunsAtOnce) {
    auto& main = start().main;
    scanAndSelectAll();

    host->queueAnswer(ui::Answer::No);
    main.deleteButton.click();
    ASSERT_EQ(host->messages().size(), 1u);
    EXPECT_EQ(host->messages()[0].title, "Really Delete?");
    EXPECT_NE(host->messages()[0].text.find(Folder + "\\quarantine"), std::string::npos);
    EXPECT_TRUE(fake.files.exists(Threat));
    EXPECT_EQ(results().size(), 2u);

    host->clearMessages();
    main.lblRemove.click();
    EXPECT_TRUE(host->messages().empty());
    EXPECT_FALSE(fake.files.exists(Threat));
    EXPECT_EQ(fake.files.content(Folder + "\\quarantine\\bad.exe"), "MZ bad");
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));
    EXPECT_TRUE(results().empty());
    EXPECT_TRUE(main.lblRemove.enabled());
}

TEST_F(GuiFeaturesTest, DeleteAnsweredYesRemovesAndKeepsACopy) {
    auto& main = start().main;
    scanAndSelectAll();
    host->queueAnswer(ui::Answer::Yes);
    main.deleteButton.click();
    EXPECT_EQ(host->messages().size(), 1u);
    EXPECT_FALSE(fake.files.exists(Threat));
    EXPECT_EQ(fake.files.content(Folder + "\\quarantine\\bad.exe"), "MZ bad");
    EXPECT_NE(fake.files.content(Folder + "\\quarantine\\QuarantineLog.txt").value_or("").find(Threat),
              std::string::npos);
}

TEST_F(GuiFeaturesTest, ScheduledScanRemovesEverythingWithoutAQuestion) {
    auto& running = start();
    running.features.scan.session(running.main).state.autoRemoveAfterScan = true;
    running.main.cmdScanNow.click();
    EXPECT_TRUE(host->messages().empty());
    EXPECT_TRUE(running.main.frmResults.visible());
    EXPECT_FALSE(fake.files.exists(Threat));
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));
    EXPECT_TRUE(results().empty());
}

TEST_F(GuiFeaturesTest, ExcludedRowsStayExcludedAfterARestart) {
    auto& main = start().main;
    scanAndSelectAll();
    host->queueAnswer(ui::Answer::Yes);
    main.cmdExclude.click();
    EXPECT_TRUE(results().empty());
    const auto file = fake.files.content(Folder + "\\ENoSignature.txt").value_or("");
    EXPECT_NE(file.find(Threat + "\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("FileBar\r\n"), std::string::npos) << file;

    // The next start loads the file; the scan shows the exclusions and offers nothing.
    auto& again = start().main;
    again.cmdScanNow.click();
    EXPECT_TRUE(results().empty());
    EXPECT_EQ(again.lvwSpywareFound.item(0).smallIcon, 5);
    EXPECT_TRUE(fake.files.exists(Threat));
}

TEST_F(GuiFeaturesTest, ViewExclusionsOpensTheFileBesideTheProgramOrSaysThereIsNone) {
    auto& main = start().main;
    main.mnuQuarItem[1]->click();
    ASSERT_EQ(host->messages().size(), 1u);
    EXPECT_EQ(host->messages()[0].title, "No Exclusion File");
    EXPECT_TRUE(fake.shell.started.empty());

    fake.files.addFile(Folder + "\\ENoSignature.txt", "C:\\x.exe\r\n");
    main.mnuQuarItem[1]->click();
    ASSERT_EQ(fake.shell.started.size(), 1u);
    EXPECT_EQ(fake.shell.started[0].first, "notepad " + Folder + "\\ENoSignature.txt");
}

TEST_F(GuiFeaturesTest, ViewQuarantineListsWhatWasRemovedAndPutsTheCheckedItemsBack) {
    auto& running = start();
    scanAndSelectAll();
    running.main.lblRemove.click();
    ASSERT_FALSE(fake.files.exists(Threat));

    running.main.mnuQuarItem[0]->click();
    auto* window = running.app.window("frmQuarantine");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->visible());
    auto& list = *window->findAs<ui::ListView>("lvwQuarantine");
    ASSERT_EQ(list.count(), 2u);
    std::size_t fileRow = list.item(0).subItem(2) == Threat ? 0 : 1;
    ASSERT_EQ(list.item(fileRow).subItem(2), Threat);
    list.userCheck(fileRow, true);
    window->findAs<ui::CommandButton>("cmdRestore")->click();
    EXPECT_EQ(fake.files.content(Threat), "MZ bad");
    EXPECT_EQ(list.count(), 1u);
    EXPECT_FALSE(fake.registry.hasKey(RootKey::CurrentUser, "Software\\Bad"));
}

}  // namespace
}  // namespace sorvane::app

namespace sorvane::app {
namespace {

// The start counts every definition file once; the memory shield reads the process list once
// more for its first pass and then only when the file changed, not at every pass.
TEST_F(GuiFeaturesTest, DefinitionFilesAreReadOnceAtStartAndTheShieldRereadsOnlyAChangedFile) {
    for (const auto& [key, value] : {std::pair{"optMemorySheildOn", "True"}, {"optMemorySheildOff", "False"},
                                    {"optIEHomePageSheildOn", "True"}, {"optIEHomePageSheildOff", "False"},
                                    {"chkAutomaticScanYesOrNo", "1"}})
        putUser("OptionAndSettings", key, value);
    std::string lines;
    for (int i = 0; i < 2000; ++i) lines += "line" + std::to_string(i) + ".exe=Threat|[progfil]\r\n";
    const std::vector<std::string> names{"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat",
                                         "BlockedCookies.dat", "DirectoryDefinition.dat"};
    for (const auto& name : names) ASSERT_TRUE(fake.files.writeFile(Folder + "\\" + name, lines).ok());
    const auto bytesRead = [&](const std::string& name) { return fake.files.bytesRead(Folder + "\\" + name); };

    start();
    host->advance(60'000);
    for (const auto& name : names) {
        const std::uint64_t once = name == "ExeDefinition.dat" ? 2 * lines.size() : lines.size();
        EXPECT_EQ(bytesRead(name), once) << name;
    }

    const std::string changed = lines + "one.exe=More|[progfil]\r\n";
    ASSERT_TRUE(fake.files.writeFile(Folder + "\\ExeDefinition.dat", changed).ok());
    const std::uint64_t before = bytesRead("ExeDefinition.dat");
    host->advance(60'000);
    EXPECT_EQ(bytesRead("ExeDefinition.dat"), before + changed.size());
}

}  // namespace
}  // namespace sorvane::app
