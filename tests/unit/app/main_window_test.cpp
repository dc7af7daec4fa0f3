#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "app/frm_splash.h"
#include "app/start_at_logon.h"
#include "scan/drive_list.h"
#include "scan/main_window_scan.h"
#include "tests/fakes/fake_platform.h"
#include "ui/headless/headless_host.h"

namespace sorvane::app {
namespace {

using platform::RootKey;

constexpr const char* UserRoot = "Software\\VB and VBA Program Settings\\Sorvane\\";
constexpr const char* MachineKey = "SOFTWARE\\Talvenor\\Sorvane\\Settings";
constexpr const char* RunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* Folder = "C:\\Program Files\\Sorvane\\";
// The task that starts the program when the fake's user logs on.
constexpr const char* LogonTaskForTester = "Sorvane (tester@DESKTOP)";

// One run of the program: its context, main window and splash window.
struct Process {
    Process(fakes::FakePlatform& fake, ui::HeadlessHost& host) : app(fake.platform(), host), main(app), splash(app, main) {}
    Application app;
    FrmMain main;
    FrmSplash splash;
};

// A secondary window of another subsystem that reports when it is unloaded.
class RecordingForm : public ui::Form {
public:
    RecordingForm(ui::Host& host, std::string name, std::vector<std::string>& log)
        : ui::Form(host, std::move(name)), log_(log) {}

protected:
    void Form_Unload() override { log_.push_back(name()); }

private:
    std::vector<std::string>& log_;
};

class MainWindowTest : public testing::Test {
protected:
    // Starts the program as the splash window does; `plug` sets hooks before the splash loads.
    Process& start(const std::function<void(Application&)>& plug = {}) {
        run_.reset();
        host = std::make_unique<ui::HeadlessHost>();
        fake.instance.held.clear();
        run_ = std::make_unique<Process>(fake, *host);
        record(run_->app.hooks);
        if (plug) plug(run_->app);
        run_->splash.show();
        host->advance(2 * FrmSplash::Ticks);
        return *run_;
    }

    void record(MainWindowHooks& hooks) {
        calls.clear();
        auto note = [this](const char* name) { return [this, name](auto&&...) { calls.emplace_back(name); }; };
        hooks.stopSkinHookOnNt6 = note("stopSkinHookOnNt6");
        hooks.changeLanguage = note("changeLanguage");
        hooks.showLanguageWindow = note("showLanguageWindow");
        hooks.loadExclusions = note("loadExclusions");
        hooks.loadSchedulerControls = note("loadSchedulerControls");
        hooks.fillDriveList = note("fillDriveList");
        hooks.loadDeleteWindow = note("loadDeleteWindow");
        hooks.skinWindow = note("skinWindow");
        hooks.copySkinLabels = note("copySkinLabels");
        hooks.setUpBannerStrip = note("setUpBannerStrip");
        hooks.liveUpdate = note("liveUpdate");
        hooks.trayShowIcon = [this](ui::Form&, const std::string& tip) { calls.push_back("trayShowIcon " + tip); };
        hooks.trayRemoveIcon = note("trayRemoveIcon");
        hooks.enablePopupRestore = note("enablePopupRestore");
        hooks.showTrayPopup = note("showTrayPopup");
        hooks.hideTrayPopup = note("hideTrayPopup");
        hooks.releaseSkinEngine = note("releaseSkinEngine");
    }

    bool called(std::string_view name) const { return std::find(calls.begin(), calls.end(), name) != calls.end(); }

    std::optional<std::string> user(std::string_view section, std::string_view key) const {
        return fake.registry.stringValue(RootKey::CurrentUser, std::string(UserRoot) + std::string(section), key);
    }
    void putUser(std::string_view section, std::string_view key, std::string_view value) {
        fake.registry.putString(RootKey::CurrentUser, std::string(UserRoot) + std::string(section), key, value);
    }
    std::optional<std::string> machine(std::string_view key) const {
        return fake.registry.stringValue(RootKey::LocalMachine, MachineKey, key);
    }
    void addDefinitions() {
        for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat",
                                 "BlockedCookies.dat", "DirectoryDefinition.dat"})
            fake.files.addFile(std::string(Folder) + name, "a\r\nb\r\n");
        fake.files.addFile(std::string(Folder) + "date.dat", "5/1/2024 10:00:00 AM\r\n");
    }

    fakes::FakePlatform fake;
    std::unique_ptr<ui::HeadlessHost> host;
    std::vector<std::string> calls;

private:
    std::unique_ptr<Process> run_;
};

TEST_F(MainWindowTest, SplashLoadsTheMainWindowOnItsSeventyFifthTick) {
    host = std::make_unique<ui::HeadlessHost>();
    Process run(fake, *host);
    run.splash.show();
    EXPECT_TRUE(run.splash.loadTimer.on());
    EXPECT_EQ(run.splash.loadTimer.interval(), 2u);
    host->advance(2 * 74);
    EXPECT_FALSE(run.main.loaded());
    EXPECT_EQ(run.splash.counter(), 148);
    host->advance(2);
    EXPECT_TRUE(run.main.loaded());
    EXPECT_TRUE(run.main.visible());
    EXPECT_FALSE(run.splash.loadTimer.on());
    EXPECT_TRUE(run.splash.loaded());
    EXPECT_FALSE(run.splash.visible());
    EXPECT_EQ(run.main.icon(), run.splash.icon());
}

TEST_F(MainWindowTest, FirstStartWritesTheDocumentedSettingsAndAsksTheFirstStartQuestions) {
    fake.files.addFile(std::string(Folder) + "Help.chm");
    Process& run = start();

    EXPECT_EQ(user("OptionAndSettings", "chkRunAtStartup"), "1");
    EXPECT_EQ(user("Settings", "ranOneTime"), "1");
    // The start at logon is the user's task; the Run value would not start a program that asks to be elevated.
    EXPECT_EQ(fake.logonTasks.tasks.count(LogonTaskForTester), 1u);
    EXPECT_FALSE(fake.registry.hasValue(RootKey::LocalMachine, RunKey, "Sorvane"));
    EXPECT_EQ(user("OptionAndSettings", "SHOW"), "True");
    EXPECT_EQ(user("OptionAndSettings", "optScanOnlyKnownSoftwares"), "True");
    EXPECT_EQ(user("OptionAndSettings", "optScanAllSelectedHardDrive"), "False");
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "RUNNING");
    EXPECT_EQ(user("OptionAndSettings", "RESTART"), "False");
    EXPECT_EQ(user("Settings", "Language"), "English");
    EXPECT_EQ(user("Settings", "showHelp"), "0");
    EXPECT_EQ(machine("showHelp"), "0");
    EXPECT_EQ(machine("FirstTime"), "Yes");

    EXPECT_TRUE(called("showLanguageWindow"));
    EXPECT_EQ(fake.shell.opened, std::vector<std::string>{std::string(Folder) + "Help.chm"});
    ASSERT_EQ(host->messages().size(), 1u);
    const auto& thanks = host->messages()[0];
    EXPECT_EQ(thanks.title, "Update Now?");
    EXPECT_EQ(thanks.style, ui::mb::YesNo);
    EXPECT_EQ(thanks.text,
              "Thank you for using Sorvane!\r\n\r\nTo help identify new spyware, Sorvane sends Talvenor the names of "
              "the programs running on this computer, such as \"notepad.exe\": never their folders, your files or "
              "anything about you. You can turn this off under Settings: \"Send anonymous data to help identify "
              "unknown spyware\".\r\n\r\nBecause this is the first time you have used Sorvane we recommend "
              "running Live Update now to download the most recent adware and spyware definitions.\r\n\r\nWould you "
              "like to run Live Update now?");
    EXPECT_TRUE(called("liveUpdate"));  // the default answer is Yes

    EXPECT_EQ(run.main.caption(), "Sorvane by Talvenor");
    EXPECT_EQ(run.main.cmdWebsite.caption(), "Visit www.sorvane.example/");
    EXPECT_EQ(run.main.welcomeLabel.caption(), "Welcome to Sorvane");
    EXPECT_EQ(run.main.frmStatus.caption(), "Sorvane Status");
    EXPECT_TRUE(run.main.frmStatus.visible());
    EXPECT_FALSE(run.main.frmScan.visible());
    EXPECT_FALSE(run.main.shpCircle.visible());
    EXPECT_TRUE(run.main.frmHidden().loaded());
    EXPECT_FALSE(run.main.form8().loaded());
}

TEST_F(MainWindowTest, TheSchedulerTicksUnderTheFirstStartQuestion) {
    putUser("OptionAndSettings", "chkAutomaticScanYesOrNo", "1");
    int ticks = 0;
    int ticksAtAnswer = -1;
    start([&](Application& app) {
        app.hooks.schedulerTick = [&](FrmMain&) { ++ticks; };
        host->decideAnswer = [&](const ui::ShownMessage& shown) -> std::optional<ui::Answer> {
            if (shown.title == "Update Now?") ticksAtAnswer = ticks;
            return ui::Answer::No;
        };
    });
    EXPECT_GT(ticksAtAnswer, 50) << "the 10 ms scheduler runs while the user reads the question";
}

TEST_F(MainWindowTest, SecondStartAsksNothingAndNoAnswerMeansNoUpdate) {
    fake.files.addFile(std::string(Folder) + "Help.chm");
    host = std::make_unique<ui::HeadlessHost>();
    start([this](Application&) { host->queueAnswer(ui::Answer::No); });
    EXPECT_FALSE(called("liveUpdate"));

    start();
    EXPECT_FALSE(called("showLanguageWindow"));
    EXPECT_FALSE(called("liveUpdate"));
    EXPECT_TRUE(host->messages().empty());
    EXPECT_EQ(fake.shell.opened.size(), 1u);  // only the first start opened the help file
}

TEST_F(MainWindowTest, AStandardUserIsToldOnceThatTheMachineStoreRefusedAndNotOfferedTheUpdateAgain) {
    // A standard user: the machine-wide store can be read but not written.
    fake.registry.makeTreeReadOnly(RootKey::LocalMachine);
    const auto abortThePrompt = [this](Application&) {
        host->decideAnswer = [](const ui::ShownMessage& shown) -> std::optional<ui::Answer> {
            if (shown.title == "Permission Denied") return ui::Answer::Abort;
            return ui::Answer::No;
        };
    };
    start(abortThePrompt);
    ASSERT_EQ(host->messages().size(), 2u);
    EXPECT_EQ(host->messages()[0].title, "Permission Denied");
    EXPECT_EQ(host->messages()[1].title, "Update Now?");
    EXPECT_FALSE(machine("FirstTime"));
    EXPECT_EQ(user("Settings", "FirstTime"), "Yes");

    start(abortThePrompt);
    EXPECT_TRUE(host->messages().empty());
    EXPECT_FALSE(called("liveUpdate"));
}

TEST_F(MainWindowTest, LoadRunsItsStepsInOrder) {
    start([](Application& app) { app.hooks.bannerHeight = [] { return 900; }; });
    // The splash window skins itself first.
    const std::vector<std::string> expected = {
        "skinWindow",        "stopSkinHookOnNt6", "changeLanguage",  "showLanguageWindow", "loadExclusions",   "loadSchedulerControls",
        "fillDriveList",     "loadDeleteWindow", "skinWindow",         "setUpBannerStrip", "copySkinLabels",
        "skinWindow",        "liveUpdate"};
    EXPECT_EQ(calls, expected);
}

TEST_F(MainWindowTest, BannerMovesThePagesDownAndGrowsTheWindow) {
    Process& plain = start([](Application& app) { app.hooks.bannerHeight = [] { return 0; }; });
    const int plainTop = plain.main.frmStatus.geometry().top;
    const int plainHeight = plain.main.height();
    Process& banner = start([](Application& app) { app.hooks.bannerHeight = [] { return 900; }; });
    EXPECT_EQ(banner.main.frmStatus.geometry().top, plainTop + 900);
    EXPECT_EQ(banner.main.frmScan.geometry().top, plainTop + 900);
    EXPECT_EQ(banner.main.frmOptions.geometry().top, plainTop + 900);
    EXPECT_EQ(banner.main.height(), plainHeight + 900);
}

TEST_F(MainWindowTest, SecondInstanceEndsSilently) {
    fake.instance.othersRunning.insert(std::string(InstanceLockName));
    Process& run = start();
    EXPECT_TRUE(run.app.ended());
    EXPECT_TRUE(host->quitting());
    EXPECT_FALSE(run.main.visible());
    EXPECT_TRUE(host->messages().empty());
    EXPECT_FALSE(user("OptionAndSettings", "STATUS").has_value());
    EXPECT_FALSE(called("loadExclusions"));
}

TEST_F(MainWindowTest, StatusPanelAndDefinitionFilesAtStart) {
    addDefinitions();
    fake.files.addFile(std::string(Folder) + "DLFileDefinition.dat", "1\r\n2\r\n3\r\n4\r\n");
    fake.files.addFile(std::string(Folder) + "DLDirectoryDefinition.dat", "waiting\r\n");
    putUser("Settings", "lblDefRemoved", "12");
    Process& run = start();

    EXPECT_EQ(fake.files.content(std::string(Folder) + "FileDefinition.dat"), "1\r\n2\r\n3\r\n4\r\n");
    EXPECT_FALSE(fake.files.exists(std::string(Folder) + "DLFileDefinition.dat"));
    EXPECT_TRUE(fake.files.exists(std::string(Folder) + "DLDirectoryDefinition.dat"));
    EXPECT_EQ(run.app.DefinitionCount, 12);
    EXPECT_EQ(run.app.definitionCounts.cookies, 2);
    EXPECT_EQ(run.main.lblDefCount.caption(), "12");
    EXPECT_EQ(run.main.lblVersion.caption(), "3.0");
    EXPECT_EQ(run.main.lblDefVersion.caption(), "5/1/2024 10:00:00 AM PST");
    EXPECT_EQ(run.main.lblDefRemoved.caption(), "12");
    EXPECT_EQ(run.main.lblLastScan.caption(), "Never");
    EXPECT_EQ(run.main.lblLastFullScan.caption(), "Never");
    EXPECT_EQ(run.main.lblLastUpdate.caption(), "Signatures Last Updated On 5/1/2024 10:00:00 AM PST");

    run.app.DefinitionCount = 1234567;
    run.main.RefreshStatusPanel();
    EXPECT_EQ(run.main.lblDefCount.caption(), "1,234,567");

    EXPECT_TRUE(run.main.CheckDefinitionFiles());
    ASSERT_TRUE(fake.files.deleteFile(std::string(Folder) + "DirectoryDefinition.dat").ok());
    EXPECT_FALSE(run.main.CheckDefinitionFiles());
    EXPECT_EQ(run.main.lblDefVersion.caption(), "Files Missing, Run Live Update");
    for (const char* name : {"FileDefinition.dat", "RegistryDefinition.dat", "ExeDefinition.dat",
                             "BlockedCookies.dat", "date.dat"})
        EXPECT_FALSE(fake.files.exists(std::string(Folder) + name)) << name;
}

TEST_F(MainWindowTest, BrandingFollowsTheVersionResource) {
    fake.versions.info->productName = "Brightwall";
    Process& run = start();
    EXPECT_EQ(run.main.frmStatus.caption(), "Brightwall Status");
    EXPECT_EQ(run.main.caption(), "Brightwall by Talvenor");
    EXPECT_EQ(host->messages().at(0).text.rfind("Thank you for using Brightwall!", 0), 0u);

    ui::clickControl(run.main, "mnuAboutThisSoftware");
    FrmAbout& about = run.main.frmAbout();
    EXPECT_TRUE(about.visible());
    EXPECT_EQ(about.caption(), "About Brightwall");
    EXPECT_EQ(about.productLabel.caption(), "Brightwall");
    EXPECT_EQ(about.companyLabel.caption(), "Talvenor");
    EXPECT_EQ(about.versionLabel.caption(), "3.0");
    EXPECT_EQ(about.websiteLabel.caption(), "www.sorvane.example/");
}

TEST_F(MainWindowTest, ResizeRulesSwitchTimersAndTaskList) {
    putUser("OptionAndSettings", "chkAutomaticScanYesOrNo", "1");
    Process& run = start();
    FrmMain& main = run.main;
    EXPECT_EQ(main.tmrScheduler.interval(), 10u);
    EXPECT_EQ(main.tmrCheckHomePage.interval(), 5000u);
    EXPECT_EQ(main.tmrMemoryInspected.interval(), 10000u);
    EXPECT_EQ(main.timUpdate.interval(), 1000u);
    EXPECT_EQ(main.tmrScroll.interval(), 200u);
    // The window's first show in normal state runs the resize rule: tmrScroll on, the
    // scheduler and the memory shield off until something arms them again.
    EXPECT_TRUE(main.visible());
    EXPECT_FALSE(main.tmrScheduler.on());
    EXPECT_TRUE(main.tmrCheckHomePage.on());
    EXPECT_FALSE(main.tmrMemoryInspected.on());
    EXPECT_TRUE(main.tmrScroll.on());
    EXPECT_TRUE(main.showInTaskList());
    EXPECT_EQ(user("Settings", "Minimized"), "No");

    main.setWindowState(ui::WindowState::Normal);
    main.setSize(12000, 9000);
    EXPECT_TRUE(main.tmrScroll.on());
    EXPECT_FALSE(main.tmrScheduler.on());
    EXPECT_FALSE(main.tmrMemoryInspected.on());
    EXPECT_TRUE(main.tmrCheckHomePage.on());
    EXPECT_EQ(user("Settings", "Minimized"), "No");

    for (const auto state : {ui::WindowState::Minimized, ui::WindowState::Maximized}) {
        main.setWindowState(state);
        EXPECT_TRUE(main.tmrScheduler.on());
        EXPECT_TRUE(main.tmrMemoryInspected.on());
        EXPECT_TRUE(main.tmrCheckHomePage.on());
        EXPECT_FALSE(main.tmrScroll.on());
        EXPECT_FALSE(main.showInTaskList());
    }
    main.setWindowState(ui::WindowState::Normal);
    EXPECT_TRUE(main.showInTaskList());

    main.ArmBackgroundTimers(false);
    EXPECT_FALSE(main.tmrScheduler.on() || main.tmrCheckHomePage.on() || main.tmrMemoryInspected.on());

    // With the shields switched off in the settings, arming leaves them off.
    ui::clickControl(main, "optMemorySheildOff");
    ui::clickControl(main, "optIEHomePageSheildOff");
    main.ArmBackgroundTimers(true);
    EXPECT_FALSE(main.tmrCheckHomePage.on());
    EXPECT_FALSE(main.tmrMemoryInspected.on());
    EXPECT_TRUE(main.tmrScheduler.on());
}

TEST_F(MainWindowTest, LayoutKeepsThePagesBesideTheNavigationColumn) {
    Process& run = start();
    FrmMain& main = run.main;
    main.setSize(15000, 11000);
    const auto page = main.frmResults.geometry();
    EXPECT_GT(page.left, main.cmdStatus.geometry().left + main.cmdStatus.geometry().width);
    EXPECT_LE(page.left + page.width, 15000);
    EXPECT_EQ(main.frmStatus.geometry(), page);
    const auto list = main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.geometry();
    EXPECT_LE(list.left + list.width, page.width);
    EXPECT_LE(main.deleteButton.geometry().top + main.deleteButton.geometry().height, page.height);
    main.setSize(9000, 7000);
    EXPECT_LT(main.frmResults.geometry().width, page.width);
}

TEST_F(MainWindowTest, TheSummarysColumnSpansItsListAtEveryWidth) {
    // A finding such as "Detected in the memory : ... was stopped from running." has the
    // whole list to show in, not a column fixed short of it.
    Process& run = start();
    FrmMain& main = run.main;
    for (int width : {9000, 11400, 15000}) {
        SCOPED_TRACE(width);
        main.setSize(width, 9000);
        const int list = main.lvwSpywareFound.geometry().width;
        const int column = main.lvwSpywareFound.columns().at(0).width;
        EXPECT_LT(column, list);
        EXPECT_GE(column, list - 450) << "a scroll bar and the border take the rest";
    }
}

TEST_F(MainWindowTest, EveryResizeLaysTheRemovalColumnsOutForTheNewWidth) {
    Process& run = start();
    FrmMain& main = run.main;
    auto& list = main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    auto widths = [&] {
        std::vector<int> out;
        for (const auto& column : list.columns()) out.push_back(column.width);
        return out;
    };
    ASSERT_EQ(widths(), (std::vector<int>{1400, 1400, 1400}));
    const int before = list.geometry().width;
    main.setSize(main.width() + before, main.height());
    EXPECT_EQ(list.geometry().width, 2 * before);
    EXPECT_EQ(widths(), (std::vector<int>{2800, 2800, 2800})) << "each column keeps its share of the list";

    // A width the user set is kept in proportion from then on, and a round trip gives the
    // same figures back.
    list.setColumnWidth(1, 4000);
    main.setSize(main.width() - before, main.height());
    EXPECT_EQ(widths(), (std::vector<int>{1400, 2000, 1400}));
    for (int step = 1; step <= 25; ++step) main.setSize(main.width() + 37, main.height());
    main.setSize(main.width() - 25 * 37, main.height());
    EXPECT_EQ(widths(), (std::vector<int>{1400, 2000, 1400})) << "no rounding creeps in";
    ui::clickControl(main, "mnuFileItem", 8);
    EXPECT_EQ(user("Settings", "FoundCol22"), "2000");

    // The stored widths come back as they were, and the first show keeps them.
    Process& again = start();
    EXPECT_EQ(again.main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.columns()[1].width, 2000);
}

TEST_F(MainWindowTest, ClosingPathsStoreWhatTheyOwn) {
    std::vector<std::string> unloaded;
    Process& first = start();
    RecordingForm del(*host, "frmDelete", unloaded), download(*host, "frmDownload", unloaded),
        report(*host, "frmReport", unloaded);
    for (RecordingForm* form : {&del, &download, &report}) {
        first.app.registerWindow(*form);
        form->load();
    }
    first.main.setWindowState(ui::WindowState::Maximized);
    first.main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.setColumnWidth(1, 3000);
    ui::clickControl(first.main, "mnuFileItem", 8);
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "STOPPED");
    EXPECT_EQ(user("OptionAndSettings", "RESTART"), "False");
    EXPECT_EQ(user("Settings", "FoundCol21"), "1400");
    EXPECT_EQ(user("Settings", "FoundCol22"), "3000");
    EXPECT_EQ(user("Settings", "FoundCol23"), "1400");
    EXPECT_EQ(user("Settings", "Max"), "1");
    EXPECT_TRUE(called("trayRemoveIcon"));
    EXPECT_TRUE(called("releaseSkinEngine"));
    EXPECT_EQ(unloaded, (std::vector<std::string>{"frmDownload", "frmReport", "frmDelete"}));
    EXPECT_FALSE(first.main.frmHidden().loaded());
    EXPECT_FALSE(first.main.loaded());
    EXPECT_TRUE(first.app.ended());
    EXPECT_FALSE(first.main.tmrMemoryInspected.on());

    // The stored widths and state come back at the next start.
    Process& second = start();
    EXPECT_EQ(second.main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.columns()[1].width, 3000);
    EXPECT_EQ(second.main.windowState(), ui::WindowState::Maximized);
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "RUNNING");

    // The close box runs the same closing request.
    second.main.hostCloseRequest();
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "STOPPED");
    EXPECT_TRUE(second.app.ended());

    // A logoff or shutdown runs the same closing steps before the system ends the process.
    Process& atLogoff = start();
    atLogoff.main.setWindowState(ui::WindowState::Normal);
    atLogoff.main.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.setColumnWidth(0, 2222);
    calls.clear();
    atLogoff.main.hostSessionEnding();
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "STOPPED");
    EXPECT_EQ(user("Settings", "FoundCol21"), "2222");
    EXPECT_EQ(user("Settings", "Max"), "0");
    EXPECT_TRUE(called("trayRemoveIcon"));
    EXPECT_TRUE(atLogoff.app.ended());

    // The "X" label runs only the unload steps.
    Process& third = start();
    third.main.setWindowState(ui::WindowState::Normal);
    ui::clickControl(third.main, "lblHide");
    EXPECT_EQ(user("OptionAndSettings", "STATUS"), "RUNNING");
    EXPECT_EQ(user("Settings", "Max"), "0");
    EXPECT_FALSE(called("trayRemoveIcon"));
    EXPECT_TRUE(third.app.ended());
}

TEST_F(MainWindowTest, OptionClicksWriteBackWithTheirSideEffects) {
    Process& run = start();
    FrmMain& main = run.main;

    // A grayed box stores the memory shield as on but does not start it.
    main.chkAutoProtect.setValue(2);
    EXPECT_EQ(user("OptionAndSettings", "optMemorySheildOn"), "True");
    EXPECT_EQ(user("OptionAndSettings", "optMemorySheildOff"), "False");
    EXPECT_FALSE(main.tmrMemoryInspected.on());
    main.chkAutoProtect.setValue(0);
    EXPECT_EQ(user("OptionAndSettings", "optMemorySheildOn"), "False");
    EXPECT_EQ(user("OptionAndSettings", "optMemorySheildOff"), "True");
    main.chkAutoProtect.setValue(1);
    EXPECT_TRUE(main.tmrMemoryInspected.on());

    // The home page box switches the shield timer and the restore choices.
    ui::clickControl(main, "chkHomePage");
    EXPECT_EQ(user("OptionAndSettings", "optIEHomePageSheildOn"), "False");
    EXPECT_FALSE(main.tmrCheckHomePage.on());
    EXPECT_FALSE(main.optAlwaysnotifybeforerestoring.enabled());
    ui::clickControl(main, "optIEHomePageSheildOn");
    EXPECT_EQ(user("OptionAndSettings", "optIEHomePageSheildOn"), "True");
    EXPECT_EQ(user("OptionAndSettings", "optIEHomePageSheildOff"), "False");
    EXPECT_TRUE(main.tmrCheckHomePage.on());
    EXPECT_TRUE(main.optRestoredefaultwithoutnotification.enabled());

    ui::clickControl(main, "optRestoredefaultwithoutnotification");
    EXPECT_EQ(user("OptionAndSettings", "optRestoredefaultwithoutnotification"), "True");
    EXPECT_EQ(user("OptionAndSettings", "optAlwaysnotifybeforerestoring"), "False");

    for (const char* box : {"chkMakeLog", "chkScanCookies", "chkScanRegistry", "chkSweepMemory", "chkAutomaticUpdate"}) {
        ui::clickControl(main, box);
        EXPECT_EQ(user("OptionAndSettings", box), "0") << box;
    }
    ui::clickControl(main, "chkAutoDel");
    EXPECT_EQ(user("Settings", "chkAutoDel"), "1");

    // Run at Startup: unticking removes the task, ticking registers it again.
    ui::clickControl(main, "chkRunAtStartup");
    EXPECT_EQ(user("OptionAndSettings", "chkRunAtStartup"), "0");
    EXPECT_TRUE(fake.logonTasks.tasks.empty());
    ui::clickControl(main, "chkRunAtStartup");
    EXPECT_EQ(fake.logonTasks.tasks.count(LogonTaskForTester), 1u);
}

TEST_F(MainWindowTest, RunAtStartupRegistersTheUsersLogonTaskWithHighestRightsAndRetiresTheRunValue) {
    putUser("Settings", "ranOneTime", "1");
    // Another user's task, and the Run value an older version wrote.
    platform::LogonTask others;
    others.name = "Sorvane (other@DESKTOP)";
    others.userId = "DESKTOP\\other";
    fake.logonTasks.tasks[others.name] = others;
    fake.registry.putString(RootKey::LocalMachine, RunKey, "Sorvane", "\"C:\\Program Files\\Sorvane\\Sorvane\"");
    Process& run = start();
    host->clearMessages();  // the first-start question
    EXPECT_EQ(run.main.chkRunAtStartup.value(), 0);
    EXPECT_EQ(fake.logonTasks.tasks.size(), 1u);

    ui::clickControl(run.main, "chkRunAtStartup");
    ASSERT_EQ(fake.logonTasks.tasks.count(LogonTaskForTester), 1u);
    const platform::LogonTask& task = fake.logonTasks.tasks[LogonTaskForTester];
    EXPECT_EQ(task.userId, "DESKTOP\\tester");
    EXPECT_EQ(task.command, "\"C:\\Program Files\\Sorvane\\Sorvane.exe\"");
    EXPECT_TRUE(task.arguments.empty());
    EXPECT_TRUE(task.highestRights);
    EXPECT_FALSE(fake.registry.hasValue(RootKey::LocalMachine, RunKey, "Sorvane"));
    EXPECT_TRUE(host->messages().empty());

    // Unticking takes this user's task away and leaves the other user's.
    ui::clickControl(run.main, "chkRunAtStartup");
    EXPECT_EQ(fake.logonTasks.tasks.count(LogonTaskForTester), 0u);
    EXPECT_EQ(fake.logonTasks.tasks.count("Sorvane (other@DESKTOP)"), 1u);
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(MainWindowTest, RunAtStartupFromAProcessThatIsNotElevatedRegistersTheTaskWithTheUsersOwnRights) {
    putUser("Settings", "ranOneTime", "1");
    fake.logonTasks.elevated = false;
    Process& run = start();
    host->clearMessages();  // the first-start question
    ui::clickControl(run.main, "chkRunAtStartup");
    ASSERT_EQ(fake.logonTasks.tasks.count(LogonTaskForTester), 1u);
    EXPECT_FALSE(fake.logonTasks.tasks[LogonTaskForTester].highestRights);
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(MainWindowTest, RunAtStartupWithoutTheTaskSchedulerKeepsTheRunValue) {
    // Windows before Vista: the Run value, quoted, without ".exe", as it always was.
    putUser("Settings", "ranOneTime", "1");
    fake.logonTasks.failure = platform::error::NotSupported;
    Process& run = start();
    host->clearMessages();  // the first-start question
    ui::clickControl(run.main, "chkRunAtStartup");
    EXPECT_EQ(fake.registry.stringValue(RootKey::LocalMachine, RunKey, "Sorvane"),
              "\"C:\\Program Files\\Sorvane\\Sorvane\"");
    ui::clickControl(run.main, "chkRunAtStartup");
    EXPECT_FALSE(fake.registry.hasValue(RootKey::LocalMachine, RunKey, "Sorvane"));
    EXPECT_TRUE(host->messages().empty());
}

TEST_F(MainWindowTest, RunAtStartupThatCannotBeChangedSaysWhyAndWritesNoRunValue) {
    putUser("Settings", "ranOneTime", "1");
    fake.logonTasks.failure = platform::error::SchedulerNotRunning;
    Process& run = start();
    host->clearMessages();  // the first-start question
    ui::clickControl(run.main, "chkRunAtStartup");
    ASSERT_EQ(host->messages().size(), 1u);
    EXPECT_EQ(host->messages()[0].text,
              "Whether Sorvane starts when you log on could not be changed:\r\nThe Task Scheduler service is not running");
    EXPECT_EQ(host->messages()[0].title, "Sorvane");
    EXPECT_FALSE(fake.registry.hasValue(RootKey::LocalMachine, RunKey, "Sorvane"));

    // Unticking fails the same way, and says so too.
    ui::clickControl(run.main, "chkRunAtStartup");
    EXPECT_EQ(host->messages().size(), 2u);
    EXPECT_EQ(user("OptionAndSettings", "chkRunAtStartup"), "0");
}

TEST(LogonTaskName, OnePerUserWithoutABackslash) {
    EXPECT_EQ(LogonTaskName("Sorvane", "DESKTOP\\tester"), "Sorvane (tester@DESKTOP)");
    EXPECT_EQ(LogonTaskName("Other Brand", "CORP\\jane.doe"), "Other Brand (jane.doe@CORP)");
    EXPECT_EQ(LogonTaskName("Sorvane", "tester"), "Sorvane (tester)");
}

TEST_F(MainWindowTest, CompleteScanChoiceDoesNotSurviveARestart) {
    Process& first = start();
    EXPECT_TRUE(first.main.optScanOnlyKnownSoftwares.value());
    EXPECT_FALSE(first.main.lvwHardDrives.visible());
    ui::clickControl(first.main, "optScanAllSelectedHardDrive");
    EXPECT_TRUE(first.main.lvwHardDrives.visible());
    EXPECT_EQ(user("OptionAndSettings", "optScanAllSelectedHardDrive"), "True");
    EXPECT_EQ(user("OptionAndSettings", "optScanOnlyKnownSoftwares"), "False");
    ui::clickControl(first.main, "mnuFileItem", 8);

    Process& second = start();
    EXPECT_TRUE(second.main.optScanOnlyKnownSoftwares.value());
    EXPECT_FALSE(second.main.optScanAllSelectedHardDrive.value());
    EXPECT_FALSE(second.main.lvwHardDrives.visible());
    EXPECT_EQ(user("OptionAndSettings", "optScanOnlyKnownSoftwares"), "True");
}

TEST_F(MainWindowTest, StoredOptionsComeBackIntoTheControls) {
    putUser("Settings", "ranOneTime", "1");
    putUser("OptionAndSettings", "optMemorySheildOn", "False");
    putUser("OptionAndSettings", "optMemorySheildOff", "True");
    putUser("OptionAndSettings", "chkAutomaticScanYesOrNo", "1");
    putUser("OptionAndSettings", "chkAutomaticUpdate", "1");
    putUser("Drives", "D:", "False");
    Process& run = start([](Application& app) {
        app.hooks.fillDriveList = [](FrmMain& main) {
            main.lvwHardDrives.add("C:");
            main.lvwHardDrives.add("D:");
        };
        // The drive list's own reader, as the scan plugs it in.
        app.hooks.loadDriveTicks = [&app](FrmMain& main) {
            scan::LoadDriveTicks(main.lvwHardDrives, scan::AppAccessOf(app).readSetting);
        };
    });
    FrmMain& main = run.main;
    EXPECT_EQ(main.chkAutoProtect.value(), 0);
    EXPECT_TRUE(main.optMemorySheildOff.value());
    EXPECT_FALSE(main.tmrMemoryInspected.on());
    EXPECT_EQ(main.chkAutomaticScanYesOrNo.value(), 1);
    EXPECT_TRUE(main.dtpScheduleDate.enabled());
    EXPECT_TRUE(main.cmbDays.enabled());
    // Loading switched the scheduler on; the first show in normal state switched it off again.
    EXPECT_FALSE(main.tmrScheduler.on());
    main.setWindowState(ui::WindowState::Minimized);
    EXPECT_TRUE(main.tmrScheduler.on());
    EXPECT_TRUE(main.timUpdate.on());
    EXPECT_TRUE(main.lvwHardDrives.item(0).checked);  // no stored key: ticked
    EXPECT_FALSE(main.lvwHardDrives.item(1).checked);
    // After the first start the startup entry is no longer registered by default.
    EXPECT_EQ(main.chkRunAtStartup.value(), 0);
    EXPECT_FALSE(fake.registry.hasValue(RootKey::LocalMachine, RunKey, "Sorvane"));
}

TEST_F(MainWindowTest, AStoredCheckValueOutOfRangeIsRefusedAndNotWrittenBack) {
    putUser("OptionAndSettings", "chkMakeLog", "5");
    putUser("OptionAndSettings", "chkScanCookies", "-1");
    putUser("OptionAndSettings", "chkSweepMemory", "2");
    Process& run = start();
    EXPECT_EQ(run.main.chkMakeLog.value(), 0);
    EXPECT_EQ(run.main.chkScanCookies.value(), 0);
    EXPECT_EQ(user("OptionAndSettings", "chkMakeLog"), "5");
    EXPECT_EQ(user("OptionAndSettings", "chkScanCookies"), "-1");
    EXPECT_EQ(run.main.chkSweepMemory.value(), 2) << "grayed is a value";
}

TEST_F(MainWindowTest, TrayStartAndTrayMouseMessages) {
    putUser("Settings", "Minimized", "Yes");
    Process& run = start();
    FrmMain& main = run.main;
    EXPECT_EQ(main.windowState(), ui::WindowState::Minimized);
    EXPECT_FALSE(main.showInTaskList());
    EXPECT_TRUE(called("enablePopupRestore"));
    EXPECT_TRUE(called("trayShowIcon Sorvane"));
    EXPECT_EQ(user("Settings", "Minimized"), "Yes");

    // A real move over the window at 43 pixels of 120 dpi is 516 twips: not the tray's code.
    main.hostMouseMove({0, 0, 516, 0});
    EXPECT_FALSE(called("showTrayPopup"));
    host->trayMouse(main, 513);
    EXPECT_TRUE(called("showTrayPopup"));
    host->trayMouse(main, 512);
    EXPECT_EQ(main.windowState(), ui::WindowState::Minimized);
    host->trayMouse(main, 515);
    EXPECT_EQ(main.windowState(), ui::WindowState::Normal);
    EXPECT_TRUE(main.visible());
    EXPECT_TRUE(called("hideTrayPopup"));
    EXPECT_EQ(user("Settings", "Minimized"), "No");

    ui::clickControl(main, "Command5");
    EXPECT_EQ(main.windowState(), ui::WindowState::Minimized);
    EXPECT_FALSE(main.visible());
    EXPECT_EQ(user("Settings", "Minimized"), "Yes");
    EXPECT_TRUE(main.tmrMemoryInspected.on());
    EXPECT_FALSE(main.tmrScroll.on());

    // Back from the tray in the same run: the window is normal again and so is the next start.
    host->trayMouse(main, 518);
    EXPECT_TRUE(main.visible());
    EXPECT_EQ(user("Settings", "Minimized"), "No");
    EXPECT_TRUE(main.tmrScroll.on());
    EXPECT_FALSE(main.tmrMemoryInspected.on());
    EXPECT_TRUE(main.showInTaskList());
    Process& next = start();
    EXPECT_EQ(next.main.windowState(), ui::WindowState::Normal);
    EXPECT_TRUE(next.main.showInTaskList());
}

TEST_F(MainWindowTest, CaptionsAreTheProgramsOwnSpellingsIncludingItsSlips) {
    Process& run = start();
    FrmMain& main = run.main;
    const std::pair<const char*, const char*> captions[] = {
        // Navigation column, pages and command labels.
        {"cmdStatus", "Status"}, {"cmdScan", "Scan Now"}, {"cmdResults", "Results/Removal"},
        {"cmdSettings", "Settings"}, {"cmdUpdate", "Live Update"}, {"cmdLog", "View Log"},
        {"Command5", "Send to Tray"}, {"frmScan", "Scan"}, {"frmResults", "Results"},
        {"cmdScanNow", "Start"}, {"cmdPause", "Pause"}, {"cmdStop", "Stop"}, {"lblStart", "Start"},
        {"lblPause", "Pause"}, {"lblStop", "Stop"}, {"lblOverallProgress", "Overall Progress:"},
        {"lblRegistryInspectedCaption", "Registry Entries Inspected"},
        {"lblFilesFolderInspectedCaption", "Files/Folders Inspected"}, {"cmdRemove", "Click Here to Continue"},
        {"cmdExclude", "Exclude"}, {"cmdSelectAll", "Select All"}, {"Command4", "Delete"},
        {"Command1", "Scan Now"}, {"CmdProceed", "Apply"}, {"cmdDefaultSetting", "Reset"},
        {"cmdLiveUpdate", "Run Live Update Now"}, {"Command2", "Browse"}, {"cmdSubmit", "Submit"},
        {"lblViewLogFile", "Show Report"}, {"lblHide", "X"}, {"lblSweepNow", "Sweep Now"}, {"lblResult", "Result"},
        {"lblRemove", "Remove"}, {"lblOptions", "Options"}, {"lblExit", "Exit"},
        // Check boxes and option buttons, "Proccesses" as the program has always spelt it.
        {"chkSweepMemory", "Scan Proccesses and Files"}, {"chkScanRegistry", "Scan Windows Registry"},
        {"chkScanCookies", "Scan Internet Cookies"}, {"chkMakeLog", "Save scan results to log"},
        {"chkRunAtStartup", "Run at Startup and protect my computer automatically"},
        {"chkAutomaticUpdate", "Enable automatic Live update (recommended)"},
        {"chkAutomaticScanYesOrNo", "Enable Scheduled Scans"}, {"chkAutoProtect", "Enable"}, {"chkHomePage", "Enable"},
        {"optScanOnlyKnownSoftwares", "Quick Scan"}, {"optScanAllSelectedHardDrive", "Complete System Scan"},
        {"optMemorySheildOn", "Enabled"}, {"optMemorySheildOff", "Disabled"}, {"optIEHomePageSheildOn", "Enabled"},
        {"optIEHomePageSheildOff", "Disabled"}, {"optAlwaysnotifybeforerestoring", "Ask me what I would like to do"},
        {"optRestoredefaultwithoutnotification", "Silently restore my original home page"},
        // Menus.
        {"mnuFile", "File"}, {"mnuSettings", "Settings"}, {"mnuQuarantine", "Quarantine"}, {"mnuHelp", "Help"},
        {"mnuViewHelp", "View Help"}, {"mnuAbout", "About"}, {"mnuAboutThisSoftware", "About this software"}};
    for (const auto& [name, caption] : captions) EXPECT_EQ(ui::captionOf(main, name), caption) << name;

    const std::vector<std::string> fileItems = {"Scan Now", "Scan Results",     "View Log", "-",   "Run Live Update",
                                                "-",        "Minimize to Tray", "-",        "Exit"};
    for (std::size_t i = 0; i < fileItems.size(); ++i)
        EXPECT_EQ(ui::captionOf(main, "mnuFileItem", static_cast<int>(i)), fileItems[i]) << i;
    EXPECT_FALSE(main.mnuFileItem[1]->visible()) << "\"Scan Results\" is hidden";
    const std::vector<std::string> tabs = {"Scan Options", "Proactive Protection", "Schedule", "Auto Update"};
    EXPECT_EQ(main.settingsTabs.tabs(), tabs);
    for (std::size_t i = 0; i < tabs.size(); ++i)
        EXPECT_EQ(ui::captionOf(main, "mnuSettingsItem", static_cast<int>(i)), tabs[i]) << i;
    EXPECT_EQ(ui::captionOf(main, "mnuQuarItem", 0), "View Quarantine");
    EXPECT_EQ(ui::captionOf(main, "mnuQuarItem", 1), "View Exclusions");
    EXPECT_EQ(main.lvwSpywareFound.columns().at(0).header, "Adware and Spyware Found");
}

TEST_F(MainWindowTest, NavigationPagesAndSettingsTabs) {
    Process& run = start();
    FrmMain& main = run.main;

    ui::clickControl(main, "mnuSettingsItem", 2);
    EXPECT_TRUE(main.frmOptions.visible());
    EXPECT_FALSE(main.frmStatus.visible());
    EXPECT_EQ(main.settingsTabs.selected(), 3);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(main.frmView[i]->visible(), i == 2) << i;

    ui::clickControl(main, "cmdScan");
    EXPECT_TRUE(main.frmScan.visible());
    EXPECT_FALSE(main.frmOptions.visible());

    // An empty result list with data submission ticked starts the submission.
    bool submitted = false;
    run.app.hooks.submitScanData = [&](FrmMain&) { submitted = true; };
    ui::clickControl(main, "cmdRemove");
    EXPECT_TRUE(main.frmResults.visible());
    EXPECT_TRUE(submitted);

    ui::clickControl(main, "cmdWebsite");
    EXPECT_EQ(fake.shell.opened.back(), "http://www.sorvane.example/");

    ui::clickControl(main, "lblResult");
    EXPECT_FALSE(main.lblResult.enabled());
    EXPECT_TRUE(main.lblOptions.enabled());
    EXPECT_FALSE(main.pgbDeleteSpywaresFound.visible());
}

}  // namespace
}  // namespace sorvane::app
