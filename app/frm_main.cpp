#include "app/frm_main.h"

#include <algorithm>

#include "app/definition_files.h"
#include "app/frm_main_layout.h"
#include "app/start_at_logon.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace sorvane::app {

using ui::CheckBox;
using ui::ComboBox;
using ui::CommandButton;
using ui::DatePicker;
using ui::Frame;
using ui::Label;
using ui::ListView;
using ui::Menu;
using ui::OptionButton;
using ui::ProgressBar;
using ui::Shape;
using ui::TabStrip;
using ui::TextBox;
using ui::Timer;

namespace {

using main_design::PageLeft;
using main_design::PageTop;

// Layout in twips (the design is in frm_main_layout.cpp).
constexpr int DefaultWidth = 11400;
constexpr int DefaultHeight = 8100;
constexpr int Margin = 120;
// Title bar, menu bar and borders that the window's outer size includes.
constexpr int FrameAllowanceX = 240;
constexpr int FrameAllowanceY = 1050;
constexpr int MinPageWidth = 6000;
constexpr int MinPageHeight = 5400;
constexpr int MinColumnWidth = 150;
constexpr int SummaryChromeWidth = 420;
// The clock check's first look after tmrScheduler is switched on (its design interval).
constexpr std::uint32_t FirstClockCheckMs = 10;

}  // namespace

FrmMain::FrmMain(Application& application)
    : ui::Form(application.host, FrmMainLayout),
      app(application),
      cmdStatus(designed<CommandButton>("cmdStatus")),
      cmdScan(designed<CommandButton>("cmdScan")),
      cmdResults(designed<CommandButton>("cmdResults")),
      cmdSettings(designed<CommandButton>("cmdSettings")),
      cmdUpdate(designed<CommandButton>("cmdUpdate")),
      cmdLog(designed<CommandButton>("cmdLog")),
      sendToTrayButton(designed<CommandButton>("Command5")),
      cmdWebsite(designed<CommandButton>("cmdWebsite")),
      frmStatus(designed<Frame>("frmStatus")),
      welcomeLabel(designed<Label>("Label22")),
      lblDefCountCaption(designed<Label>("lblDefCountCaption")),
      lblDefCount(designed<Label>("lblDefCount")),
      lblVersionCaption(designed<Label>("lblVersionCaption")),
      lblVersion(designed<Label>("lblVersion")),
      lblDefVersionCaption(designed<Label>("lblDefVersionCaption")),
      lblDefVersion(designed<Label>("lblDefVersion")),
      lblDefRemovedCaption(designed<Label>("lblDefRemovedCaption")),
      lblDefRemoved(designed<Label>("lblDefRemoved")),
      lblLastScanCaption(designed<Label>("lblLastScanCaption")),
      lblLastScan(designed<Label>("lblLastScan")),
      lblLastFullScanCaption(designed<Label>("lblLastFullScanCaption")),
      lblLastFullScan(designed<Label>("lblLastFullScan")),
      frmScan(designed<Frame>("frmScan")),
      cmdScanNow(designed<CommandButton>("cmdScanNow")),
      cmdPause(designed<CommandButton>("cmdPause")),
      cmdStop(designed<CommandButton>("cmdStop")),
      lblStart(designed<Label>("lblStart")),
      lblPause(designed<Label>("lblPause")),
      lblStop(designed<Label>("lblStop")),
      lblPhaseProgress(designed<Label>("lblPhaseProgress")),
      pb1(designed<ProgressBar>("pb1")),
      lblOverallProgress(designed<Label>("lblOverallProgress")),
      pb2(designed<ProgressBar>("pb2")),
      pbgMain(designed<ProgressBar>("pbgMain")),
      lblPercentageCompleted(designed<Label>("lblPercentageCompleted")),
      lblStatus(designed<Label>("lblStatus", 0)),
      lblMemoryInspectedCaption(designed<Label>("lblMemoryInspectedCaption")),
      lblMemoryInspected(designed<Label>("lblMemoryInspected")),
      lblRegistryInspectedCaption(designed<Label>("lblRegistryInspectedCaption")),
      lblRegistryInspected(designed<Label>("lblRegistryInspected")),
      lblFilesFolderInspectedCaption(designed<Label>("lblFilesFolderInspectedCaption")),
      lblFilesFolderInspected(designed<Label>("lblFilesFolderInspected")),
      lblSoftwareFoundCaption(designed<Label>("lblSoftwareFoundCaption")),
      lblSoftwareFound(designed<Label>("lblSoftwareFound")),
      lblTotalNoOfRunningItems(designed<Label>("lblTotalNoOfRunningItems")),
      shpCircle(designed<Shape>("shpCircle")),
      lvwSpywareFound(designed<ListView>("lvwSpywareFound")),
      cmdRemove(designed<CommandButton>("cmdRemove")),
      frmResults(designed<Frame>("frmResults")),
      lvwPicRemoveListOfSpywareFoundAndToBeRemoved(designed<ListView>("lvwPicRemoveListOfSpywareFoundAndToBeRemoved")),
      lblRemovePicSoftwareFoundCaption(designed<Label>("lblRemovePicSoftwareFoundCaption")),
      lblRemovePicSoftwareFound(designed<Label>("lblRemovePicSoftwareFound")),
      lbltracesFoundCaption(designed<Label>("lbltracesFoundCaption")),
      lbltracesFound(designed<Label>("lbltracesFound")),
      cmdExclude(designed<CommandButton>("cmdExclude")),
      cmdSelectAll(designed<CommandButton>("cmdSelectAll")),
      deleteButton(designed<CommandButton>("Command4")),
      pgbDeleteSpywaresFound(designed<ProgressBar>("pgbDeleteSpywaresFound")),
      lblDeletingCaption(designed<Label>("lblDeletingCaption")),
      lblDeletingPercentageCompleted(designed<Label>("lblDeletingPercentageCompleted")),
      lvwFilesToBeDeleted(designed<ListView>("lvwFilesToBeDeleted")),
      lvwRegistryToBeDeleted(designed<ListView>("lvwRegistryToBeDeleted")),
      lvwCookiesToDelete(designed<ListView>("lvwCookiesToDelete")),
      lvwFileNotFounds(designed<ListView>("lvwFileNotFounds")),
      frmOptions(designed<Frame>("frmOptions")),
      settingsTabs(designed<TabStrip>("TabStrip1")),
      frmView{&designed<Frame>("frmView", 0), &designed<Frame>("frmView", 1), &designed<Frame>("frmView", 2),
              &designed<Frame>("frmView", 3)},
      chkSweepMemory(designed<CheckBox>("chkSweepMemory")),
      chkScanRegistry(designed<CheckBox>("chkScanRegistry")),
      chkScanCookies(designed<CheckBox>("chkScanCookies")),
      chkMakeLog(designed<CheckBox>("chkMakeLog")),
      chkSendData(designed<CheckBox>("chkSendData")),
      fraScanScope(designed<Frame>("fraScanScope")),
      optScanOnlyKnownSoftwares(designed<OptionButton>("optScanOnlyKnownSoftwares")),
      optScanAllSelectedHardDrive(designed<OptionButton>("optScanAllSelectedHardDrive")),
      lvwHardDrives(designed<ListView>("lvwHardDrives")),
      scanPageButton(designed<CommandButton>("Command1")),
      chkAutoProtect(designed<CheckBox>("chkAutoProtect")),
      fraMemoryShield(designed<Frame>("fraMemoryShield")),
      optMemorySheildOn(designed<OptionButton>("optMemorySheildOn")),
      optMemorySheildOff(designed<OptionButton>("optMemorySheildOff")),
      chkHomePage(designed<CheckBox>("chkHomePage")),
      fraHomePageShield(designed<Frame>("fraHomePageShield")),
      optIEHomePageSheildOn(designed<OptionButton>("optIEHomePageSheildOn")),
      optIEHomePageSheildOff(designed<OptionButton>("optIEHomePageSheildOff")),
      fraRestoreChoice(designed<Frame>("fraRestoreChoice")),
      optAlwaysnotifybeforerestoring(designed<OptionButton>("optAlwaysnotifybeforerestoring")),
      optRestoredefaultwithoutnotification(designed<OptionButton>("optRestoredefaultwithoutnotification")),
      chkRunAtStartup(designed<CheckBox>("chkRunAtStartup")),
      chkAutomaticScanYesOrNo(designed<CheckBox>("chkAutomaticScanYesOrNo")),
      cmbDays(designed<ComboBox>("cmbDays")),
      dtpScheduleDate(designed<DatePicker>("dtpScheduleDate")),
      dtpScheduleTime(designed<DatePicker>("dtpScheduleTime")),
      chkAutoDel(designed<CheckBox>("chkAutoDel")),
      applyScheduleButton(designed<CommandButton>("CmdProceed")),
      cmdDefaultSetting(designed<CommandButton>("cmdDefaultSetting")),
      chkAutomaticUpdate(designed<CheckBox>("chkAutomaticUpdate")),
      lblLastUpdate(designed<Label>("lblLastUpdate")),
      cmdLiveUpdate(designed<CommandButton>("cmdLiveUpdate")),
      txtFilename(designed<TextBox>("txtFilename")),
      browseButton(designed<CommandButton>("Command2")),
      cmdSubmit(designed<CommandButton>("cmdSubmit")),
      lblSubmitResult(designed<Label>("lblSubmitResult")),
      lblViewLogFile(designed<Label>("lblViewLogFile")),
      lblHide(designed<Label>("lblHide")),
      lblSweepNow(designed<Label>("lblSweepNow")),
      lblResult(designed<Label>("lblResult")),
      lblRemove(designed<Label>("lblRemove")),
      lblOptions(designed<Label>("lblOptions")),
      lblExit(designed<Label>("lblExit")),
      mnuFile(designed<Menu>("mnuFile")),
      mnuFileItem{},
      mnuSettings(designed<Menu>("mnuSettings")),
      mnuSettingsItem{},
      mnuQuarantine(designed<Menu>("mnuQuarantine")),
      mnuQuarItem{},
      mnuHelp(designed<Menu>("mnuHelp")),
      mnuViewHelp(designed<Menu>("mnuViewHelp")),
      mnuAbout(designed<Menu>("mnuAbout")),
      mnuAboutThisSoftware(designed<Menu>("mnuAboutThisSoftware")),
      tmrScheduler(designed<Timer>("tmrScheduler")),
      tmrCheckHomePage(designed<Timer>("tmrCheckHomePage")),
      tmrMemoryInspected(designed<Timer>("tmrMemoryInspected")),
      timUpdate(designed<Timer>("timUpdate")),
      tmrScroll(designed<Timer>("tmrScroll")),
      mnuLanguage(&designed<Menu>("mnuLanguage")),
      mnuRollBack(&designed<Menu>("mnuRollBack")),
      form8_(std::make_unique<Form8>(application)),
      frmAbout_(std::make_unique<FrmAbout>(application)),
      frmHidden_(std::make_unique<FrmHidden>(application)) {
    for (std::size_t i = 0; i < mnuFileItem.size(); ++i)
        mnuFileItem[i] = &designed<Menu>("mnuFileItem", static_cast<int>(i));
    for (std::size_t i = 0; i < mnuSettingsItem.size(); ++i)
        mnuSettingsItem[i] = &designed<Menu>("mnuSettingsItem", static_cast<int>(i));
    for (std::size_t i = 0; i < mnuQuarItem.size(); ++i)
        mnuQuarItem[i] = &designed<Menu>("mnuQuarItem", static_cast<int>(i));

    app.registerWindow(*this);
    app.registerWindow(*form8_);
    app.registerWindow(*frmAbout_);
    app.registerWindow(*frmHidden_);

    // What the design table does not describe.
    mnuFileItem[1]->setVisible(false);
    for (Label* link : {&lblViewLogFile, &lblSweepNow, &lblResult, &lblRemove, &lblOptions, &lblExit})
        link->setLinkStyle(true);
    welcomeLabel.setBold(true);
    pbgMain.setVisible(false);
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.setCheckBoxes(true);
    // The work lists behind the Results page, never shown.
    for (ListView* list : {&lvwFilesToBeDeleted, &lvwRegistryToBeDeleted, &lvwCookiesToDelete, &lvwFileNotFounds})
        list->setVisible(false);
    lvwHardDrives.setCheckBoxes(true);
    lvwHardDrives.setVisible(false);
    dtpScheduleTime.setShowsTime(true);
    dtpScheduleDate.setAllowsNoValue(true);
    dtpScheduleTime.setAllowsNoValue(true);

    // Timers, off until the load arms them.
    tmrScheduler.setInterval(FirstClockCheckMs);
    tmrCheckHomePage.setInterval(5000);
    tmrMemoryInspected.setInterval(10000);
    timUpdate.setInterval(1000);
    tmrScroll.setInterval(200);

    wireHandlers();
}

FrmMain::~FrmMain() = default;

Form8& FrmMain::form8() { return *form8_; }
FrmAbout& FrmMain::frmAbout() { return *frmAbout_; }
FrmHidden& FrmMain::frmHidden() { return *frmHidden_; }

void FrmMain::wireHandlers() {
    auto& hooks = app.hooks;
    cmdStatus.onClick = [this] { cmdStatus_Click(); };
    cmdScan.onClick = [this] { cmdScan_Click(); };
    scanPageButton.onClick = [this] { cmdScan_Click(); };
    cmdResults.onClick = [this] { cmdResults_Click(); };
    cmdRemove.onClick = [this] { cmdResults_Click(); };
    cmdSettings.onClick = [this] { cmdSettings_Click(); };
    cmdUpdate.onClick = [this] { cmdUpdate_Click(); };
    cmdUpdate.onMouseDown = [this, &hooks](const ui::MouseEvent& event) {
        if (hooks.liveUpdateMouseDown) hooks.liveUpdateMouseDown(*this, event.button, event.shift);
    };
    cmdLiveUpdate.onClick = [this] { cmdUpdate_Click(); };
    sendToTrayButton.onClick = [this] { SendToTray(); };
    cmdWebsite.onClick = [this] { cmdWebsite_Click(); };
    cmdLog.onClick = [this, &hooks] { call(hooks.viewReport, *this); };
    lblViewLogFile.onClick = [this, &hooks] { call(hooks.viewReport, *this); };

    cmdScanNow.onClick = [this, &hooks] { call(hooks.scanNow, *this); };
    lblStart.onClick = [this] { lblStart_Click(); };
    cmdPause.onClick = [this, &hooks] { call(hooks.pauseScan, *this); };
    lblPause.onClick = [this, &hooks] { call(hooks.pauseScanByLabel, *this); };
    cmdStop.onClick = [this, &hooks] { call(hooks.stopScan, *this); };
    lblStop.onClick = [this, &hooks] { call(hooks.stopScanByLabel, *this); };
    cmdSelectAll.onClick = [this, &hooks] { call(hooks.selectAll, *this); };
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.onItemCheck = [this, &hooks](std::size_t row) {
        call(hooks.syncWorkListChecks, *this, row);
    };
    deleteButton.onClick = [this, &hooks] { call(hooks.removeChecked, *this); };
    lblRemove.onClick = [this, &hooks] { call(hooks.removeRun, *this); };
    cmdExclude.onClick = [this, &hooks] { call(hooks.excludeChecked, *this); };
    lvwHardDrives.onItemCheck = [this, &hooks](std::size_t row) { call(hooks.driveRowChecked, *this, row); };

    applyScheduleButton.onClick = [this, &hooks] { call(hooks.applySchedule, *this); };
    cmdDefaultSetting.onClick = [this] { cmdDefaultSetting_Click(); };
    chkAutomaticScanYesOrNo.onClick = [this, &hooks] { call(hooks.scheduleCheckClicked, *this); };
    browseButton.onClick = [this, &hooks] { call(hooks.browseSubmitFile, *this); };
    cmdSubmit.onClick = [this, &hooks] { call(hooks.submitFile, *this); };
    txtFilename.onKeyPress = [this, &hooks](int& key) {
        if (key != 13) return;
        call(hooks.submitFile, *this);
        key = 0;  // the box would only beep at it
    };
    chkSendData.onMouseUp = [this, &hooks](const ui::MouseEvent&) { call(hooks.sendDataMouseUp, *this); };
    // The space bar toggles the box as a click does, and the user's choice is stored the same way.
    chkSendData.onKeyUp = [this, &hooks](int keyCode) {
        if (keyCode == ui::key::Space) call(hooks.sendDataMouseUp, *this);
    };

    lblHide.onClick = [this] { lblHide_Click(); };
    lblResult.onClick = [this] { lblResult_Click(); };
    lblOptions.onClick = [this] { lblOptions_Click(); };
    for (Label* hover : {&lblStart, &lblPause, &lblStop, &lblHide})
        hover->onMouseMove = [hover](const ui::MouseEvent&) { hover->setItalic(true); };

    settingsTabs.onClick = [this] { TabStrip1_Click(); };

    for (CheckBox* box : {&chkMakeLog, &chkScanCookies, &chkScanRegistry, &chkSweepMemory, &chkAutomaticUpdate})
        box->onClick = [this, box] { chkCheckValue_Click(*box); };
    chkAutoDel.onClick = [this] { chkAutoDel_Click(); };
    chkAutoProtect.onClick = [this] { chkAutoProtect_Click(); };
    chkHomePage.onClick = [this] { chkHomePage_Click(); };
    optMemorySheildOn.onClick = [this] { optMemoryShield_Click(true); };
    optMemorySheildOff.onClick = [this] { optMemoryShield_Click(false); };
    optIEHomePageSheildOn.onClick = [this] { optHomePageShield_Click(true); };
    optIEHomePageSheildOff.onClick = [this] { optHomePageShield_Click(false); };
    optAlwaysnotifybeforerestoring.onClick = [this] { optRestoreChoice_Click(); };
    optRestoredefaultwithoutnotification.onClick = [this] { optRestoreChoice_Click(); };
    optScanAllSelectedHardDrive.onClick = [this] { optScanScope_Click(true); };
    optScanOnlyKnownSoftwares.onClick = [this] { optScanScope_Click(false); };
    chkRunAtStartup.onClick = [this] { chkRunAtStartup_Click(); };

    mnuFileItem[0]->onClick = [this] { cmdScan_Click(); };
    mnuFileItem[1]->onClick = [this] { cmdResults_Click(); };
    mnuFileItem[2]->onClick = [this, &hooks] { call(hooks.viewReport, *this); };
    mnuFileItem[4]->onClick = [this] { cmdUpdate_Click(); };
    mnuRollBack->onClick = [this, &hooks] { call(hooks.rollBackDefinitions, *this); };
    mnuFileItem[6]->onClick = [this] { SendToTray(); };
    mnuFileItem[8]->onClick = [this] { mnuExit_Click(); };
    for (int i = 0; i < 4; ++i) mnuSettingsItem[static_cast<std::size_t>(i)]->onClick = [this, i] { ShowSettingsTab(i + 1); };
    mnuQuarItem[0]->onClick = [this, &hooks] { call(hooks.viewQuarantine, *this); };
    mnuQuarItem[1]->onClick = [this, &hooks] { call(hooks.viewExclusions, *this); };
    mnuViewHelp.onClick = [this] { ShowHelp(); };
    mnuAboutThisSoftware.onClick = [this] { ShowAbout(); };
    mnuLanguage->onClick = [&hooks] { if (hooks.openLanguageWindow) hooks.openLanguageWindow(); };

    tmrScheduler.onTimer = [this, &hooks] { call(hooks.schedulerTick, *this); };
    tmrCheckHomePage.onTimer = [this, &hooks] { call(hooks.homePageShieldTick, *this); };
    tmrMemoryInspected.onTimer = [this, &hooks] { call(hooks.memoryShieldTick, *this); };
    timUpdate.onTimer = [this, &hooks] { call(hooks.autoUpdateTick, *this); };
    tmrScroll.onTimer = [this] { host().yield(); };
}

void FrmMain::Form_Load() {
    auto& settings = app.userSettings;
    setSize(DefaultWidth, DefaultHeight);

    // 1-4: skin engine, language, catalogue, first-start language choice.
    call(app.hooks.stopSkinHookOnNt6);
    const std::string storedLanguage = settings.read(section::Settings, "Language", "");
    app.languageName = settings.read(section::Settings, "Language", "English");
    app.messages = localization::Languages();
    localization::LoadDefaultMessages(app.messages);
    call(app.hooks.changeLanguage, *this, app.languageName);
    if (storedLanguage.empty()) {
        settings.write(section::Settings, "Language", "English");
        call(app.hooks.showLanguageWindow);
    }

    // 5-6: icon, and a silent end when another copy already runs. The lock taken here
    // is held for the process's life, so this one test covers the whole load.
    if (app.branding.UseSplashIcon)
        if (const ui::Form* splash = app.window("frmSplash")) setIcon(splash->icon());
    if (app.platform.instance.anotherInstanceRunning(InstanceLockName)) {
        // Ending in silence would leave a copy in the tray, or one whose icon never came,
        // out of reach: that copy comes forward instead.
        host().askRunningCopyToShow();
        app.end();
        return;
    }
    host().laterStartAsked = [this]() -> ui::Form* {
        if (!visible() || windowState() == ui::WindowState::Minimized) RestoreFromTray();
        return this;
    };

    // 7-9: definitions, Status page, process status. An update a crash cut short is finished
    // first; only now, since a second copy that ends above must not touch another's update.
    const std::string folder = app.applicationFolder();
    call(app.hooks.finishInterruptedUpdate);
    InstallDownloadedDefinitions(app.platform.files, folder);
    app.definitionCounts = CountDefinitions(app.platform.files, folder);
    app.DefinitionCount = app.definitionCounts.total();
    RefreshStatusPanel();
    call(app.hooks.loadExclusions);
    HideAllPages();
    frmStatus.setCaption(app.brandedMessage("MSG_STATUS_CAPTION"));
    frmStatus.setVisible(true);
    settings.write(section::Options, "STATUS", "RUNNING");
    settings.write(section::Options, "RESTART", "False");
    frmHidden_->load();

    // 10: captions.
    setCaption(app.brandedMessage("MSG_CAPTION"));
    cmdWebsite.setCaption(app.brandedMessage("MSG_WEBSITE"));
    shpCircle.setVisible(false);
    setShowInTaskList(false);

    // 11-12: options and background timers.
    ArmBackgroundTimers(false);
    call(app.hooks.loadSchedulerControls, *this);
    call(app.hooks.fillDriveList, *this);
    LoadOptionsIntoControls();
    tmrScroll.setOn(false);
    ArmBackgroundTimers(true);
    tmrScroll.setOn(false);

    // 13-16: removal window, skins, banner, welcome text.
    call(app.hooks.loadDeleteWindow, *this);
    if (app.branding.SkinsEnabled) call(app.hooks.skinWindow, *this);
    if (app.branding.BannerEnabled) {
        const int banner = app.hooks.bannerHeight ? std::max(0, app.hooks.bannerHeight()) : 0;
        if (banner > 0) {
            bannerOffset_ = banner;
            setSize(width(), height() + banner);
            layout();
        }
        call(app.hooks.setUpBannerStrip, *this);
    }
    welcomeLabel.setCaption(app.brandedMessage("MSG_CAPTION2"));
    if (app.branding.SkinsEnabled) {
        call(app.hooks.copySkinLabels, *this);
        call(app.hooks.skinWindow, *this);
    } else {
        // Without a skin to draw them, these would repeat the captions of the buttons beside them.
        for (Label* twin : {&lblStart, &lblPause, &lblStop}) twin->setVisible(false);
    }

    // 17: the help file, offered once.
    if (settings.read(section::Settings, "showHelp", "1") == "1") {
        ShowHelp();
        settings.write(section::Settings, "showHelp", "0");
    }

    // 18-19: automatic update, tray start.
    if (settings.readNumber(section::Options, "chkAutomaticUpdate", "0") == 1) timUpdate.setOn(true);
    if (settings.read(section::Settings, "Minimized", "No") == "Yes") SendToTray();
    // A window that comes up in normal state keeps its task-list entry.
    if (windowState() == ui::WindowState::Normal) setShowInTaskList(true);

    // 20: the very first start offers a live update.
    offerFirstStartUpdate();
}

void FrmMain::offerFirstStartUpdate() {
    const auto firstTime = app.machineSettings.ReadMachineSetting(ApplicationName, section::Settings, "FirstTime", "");
    if (!firstTime.ok() || !firstTime.value.empty()) return;
    // An account that may not write the machine-wide store is told so once by the store's own
    // prompt; its own store then remembers the offer, which would otherwise come at every start.
    if (!app.userSettings.read(section::Settings, "FirstTime", "").empty()) return;
    if (!app.machineSettings.WriteMachineSetting(ApplicationName, section::Settings, "FirstTime", "Yes"))
        app.userSettings.write(section::Settings, "FirstTime", "Yes");
    // The first start also says, in the chosen language, what the data collection sends and
    // where to turn it off.
    const std::string text = app.brandedMessage("MSG_THANK1") + "\r\n\r\n" + app.brandedMessage("MSG_ANON_NOTICE") +
                             "\r\n\r\n" + app.brandedMessage("MSG_THANK2") + "\r\n\r\n" +
                             app.brandedMessage("MSG_THANK3");
    if (host().messageBox(text, app.brandedMessage("MSG_THANK4"), ui::mb::YesNo) == ui::Answer::Yes) cmdUpdate_Click();
}

void FrmMain::ArmBackgroundTimers(bool enabled) {
    if (!enabled) {
        tmrCheckHomePage.setOn(false);
        tmrMemoryInspected.setOn(false);
        tmrScheduler.setOn(false);
        return;
    }
    const auto& settings = app.userSettings;
    SwitchScheduler(settings.readNumber(section::Options, "chkAutomaticScanYesOrNo", "0") != 0);
    tmrCheckHomePage.setOn(settings.readBool(section::Options, "optIEHomePageSheildOn", "True"));
    tmrMemoryInspected.setOn(settings.readBool(section::Options, "optMemorySheildOn", "True"));
}

void FrmMain::SwitchScheduler(bool on) {
    if (on && !tmrScheduler.on()) tmrScheduler.setInterval(FirstClockCheckMs);
    tmrScheduler.setOn(on);
}

std::string FrmMain::DefinitionsDateText(std::string_view date) const {
    return std::string(date) + " " + app.message("MSG_TIME_ZONE");
}

void FrmMain::RefreshStatusPanel() {
    const auto& settings = app.userSettings;
    lblDefCount.setCaption(app.platform.locale.formatWholeNumber(app.DefinitionCount));
    lblVersion.setCaption(app.branding.versionText());
    lblDefVersion.setCaption(DefinitionsDateText(ReadDefinitionsDate(app.platform.files, app.platform.locale, app.applicationFolder())));
    lblDefRemoved.setCaption(settings.read(section::Settings, "lblDefRemoved", "0"));
    lblLastScan.setCaption(settings.read(section::Settings, "lblLastScan", app.message("MSG_NEVER")));
    lblLastFullScan.setCaption(settings.read(section::Settings, "lblLastFullScan", app.message("MSG_NEVER")));
    call(app.hooks.refreshProtectionStatus, *this);
}

bool FrmMain::CheckDefinitionFiles() {
    const std::string folder = app.applicationFolder();
    if (FirstMissingDefinitionFile(app.platform.files, folder).empty()) return true;
    lblDefVersion.setCaption(app.message("MSG_MISSINGFILES"));
    DeleteDefinitionFiles(app.platform.files, folder);
    return false;
}

void FrmMain::HideAllPages() {
    for (ui::Control* page : std::initializer_list<ui::Control*>{&frmOptions, &frmScan, &frmResults, &frmStatus,
                                                                 &pgbDeleteSpywaresFound, &lblDeletingPercentageCompleted,
                                                                 &lblDeletingCaption})
        page->setVisible(false);
}

void FrmMain::writeBool(std::string_view key, bool value) {
    app.userSettings.write(section::Options, key, text::boolText(value));
}

void FrmMain::LoadOptionsIntoControls() {
    auto& settings = app.userSettings;
    auto checkFrom = [&](CheckBox& box, std::string_view sectionName, std::string_view fallback) {
        box.setValue(static_cast<int>(settings.readNumber(sectionName, box.name(), fallback)));
    };
    auto optionFrom = [&](OptionButton& option, std::string_view fallback) {
        option.setValue(settings.readBool(section::Options, option.name(), fallback));
    };

    settings.write(section::Options, "SHOW", "True");
    optionFrom(optIEHomePageSheildOn, "True");
    chkHomePage.setValue(optIEHomePageSheildOn.value() ? 1 : 0);
    checkFrom(chkMakeLog, section::Options, "1");
    optionFrom(optIEHomePageSheildOff, "False");
    optionFrom(optAlwaysnotifybeforerestoring, "True");
    optionFrom(optRestoredefaultwithoutnotification, "False");
    optionFrom(optMemorySheildOn, "True");
    chkAutoProtect.setValue(optMemorySheildOn.value() ? 1 : 0);
    optionFrom(optMemorySheildOff, "False");
    checkFrom(chkSweepMemory, section::Options, "1");
    checkFrom(chkScanRegistry, section::Options, "1");

    // Every start comes up with Quick Scan, whatever scope was stored.
    optionFrom(optScanAllSelectedHardDrive, "True");
    optScanOnlyKnownSoftwares.setValue(true);

    if (settings.read(section::Settings, "ranOneTime", "0") == "0") {
        checkFrom(chkRunAtStartup, section::Options, "1");
        settings.write(section::Settings, "ranOneTime", "1");
    } else {
        checkFrom(chkRunAtStartup, section::Options, "0");
    }

    checkFrom(chkSweepMemory, section::Options, "1");
    checkFrom(chkScanRegistry, section::Options, "1");
    checkFrom(chkScanCookies, section::Options, "1");
    checkFrom(chkSendData, section::Options, "1");
    lblLastUpdate.setCaption(app.message("MSG_LAST_UPDATED") + " " +
                             DefinitionsDateText(ReadDefinitionsDate(app.platform.files, app.platform.locale, app.applicationFolder())));

    checkFrom(chkAutomaticScanYesOrNo, section::Options, "0");
    const bool scheduled = settings.readNumber(section::Options, "chkAutomaticScanYesOrNo", "0") != 0;
    dtpScheduleDate.setEnabled(scheduled);
    dtpScheduleTime.setEnabled(scheduled);
    cmbDays.setEnabled(scheduled);
    SwitchScheduler(scheduled);

    checkFrom(chkAutomaticUpdate, section::Options, "1");
    call(app.hooks.loadDriveTicks, *this);
    auto& removal = lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    for (std::size_t column = 0; column < removal.columns().size(); ++column)
        removal.setColumnWidth(column, static_cast<int>(settings.readNumber(
                                           section::Settings, "FoundCol2" + std::to_string(column + 1), "1400")));
    // The stored widths belong to the window as it was closed, maximized when "Max" says
    // so: the maximize below does not scale them.
    columnsLaidOutFor_ = 0;
    if (settings.read(section::Settings, "Max", "0") == "1") setWindowState(ui::WindowState::Maximized);
    host().setBusyCursor(false);
}

void FrmMain::chkCheckValue_Click(CheckBox& box) {
    app.userSettings.write(section::Options, box.name(), std::to_string(box.value()));
}

void FrmMain::chkAutoDel_Click() {
    app.userSettings.write(section::Settings, "chkAutoDel", std::to_string(chkAutoDel.value()));
}

void FrmMain::chkAutoProtect_Click() {
    const bool on = chkAutoProtect.value() != 0;
    writeBool("optMemorySheildOn", on);
    writeBool("optMemorySheildOff", !on);
    // A grayed box stores the shield as on, but only a real tick starts it.
    tmrMemoryInspected.setOn(chkAutoProtect.value() == 1);
}

void FrmMain::setRestoreOptionsEnabled(bool enabled) {
    optAlwaysnotifybeforerestoring.setEnabled(enabled);
    optRestoredefaultwithoutnotification.setEnabled(enabled);
}

void FrmMain::chkHomePage_Click() {
    const bool on = chkHomePage.value() != 0;
    writeBool("optIEHomePageSheildOn", on);
    writeBool("optIEHomePageSheildOff", !on);
    tmrCheckHomePage.setOn(chkHomePage.checked());
    setRestoreOptionsEnabled(chkHomePage.checked());
}

void FrmMain::optMemoryShield_Click(bool on) {
    writeBool("optMemorySheildOn", optMemorySheildOn.value());
    writeBool("optMemorySheildOff", optMemorySheildOff.value());
    tmrMemoryInspected.setOn(on);
}

void FrmMain::optHomePageShield_Click(bool on) {
    writeBool("optIEHomePageSheildOn", optIEHomePageSheildOn.value());
    writeBool("optIEHomePageSheildOff", optIEHomePageSheildOff.value());
    tmrCheckHomePage.setOn(on);
    setRestoreOptionsEnabled(on);
}

void FrmMain::optRestoreChoice_Click() {
    writeBool("optAlwaysnotifybeforerestoring", optAlwaysnotifybeforerestoring.value());
    writeBool("optRestoredefaultwithoutnotification", optRestoredefaultwithoutnotification.value());
}

void FrmMain::optScanScope_Click(bool allDrives) {
    writeBool("optScanOnlyKnownSoftwares", optScanOnlyKnownSoftwares.value());
    writeBool("optScanAllSelectedHardDrive", optScanAllSelectedHardDrive.value());
    lvwHardDrives.setVisible(allDrives);
}

void FrmMain::chkRunAtStartup_Click() {
    auto& settings = app.userSettings;
    settings.write(section::Options, "chkRunAtStartup", std::to_string(chkRunAtStartup.value()));
    const bool on = settings.readNumber(section::Options, "chkRunAtStartup", "1") == 1;
    const platform::Status changed = SetStartAtLogon(app.platform, app.branding.ProgramName,
                                                     app.platform.environment.executableBaseName(), on);
    if (changed.ok()) return;
    platform::TraceFailure(changed, "changing the start at logon");
    const auto message = [this](std::string_view key) { return app.message(key); };
    (void)host().messageBox(app.message("MSG_STARTUP_UNSAVED") + "\r\n" +
                                StartAtLogonFailureCause(changed.code(), message),
                            app.branding.ProgramName, ui::mb::Exclamation);
}

void FrmMain::cmdStatus_Click() {
    HideAllPages();
    call(app.hooks.refreshProtectionStatus, *this);
    frmStatus.setVisible(true);
}

void FrmMain::cmdScan_Click() {
    HideAllPages();
    frmScan.setVisible(true);
}

void FrmMain::cmdResults_Click() {
    HideAllPages();
    frmResults.setVisible(true);
    if (lvwPicRemoveListOfSpywareFoundAndToBeRemoved.empty() && chkSendData.checked())
        call(app.hooks.submitScanData, *this);
}

void FrmMain::cmdSettings_Click() {
    HideAllPages();
    frmOptions.setVisible(true);
    TabStrip1_Click();
}

void FrmMain::ShowSettingsTab(int tab) {
    cmdSettings_Click();
    settingsTabs.select(tab);
}

void FrmMain::TabStrip1_Click() {
    const int selected = settingsTabs.selected();
    for (std::size_t i = 0; i < frmView.size(); ++i) frmView[i]->setVisible(static_cast<int>(i) == selected - 1);
}

void FrmMain::cmdUpdate_Click() { call(app.hooks.liveUpdate, *this); }

void FrmMain::cmdWebsite_Click() {
    std::string address = app.branding.Website;
    if (!text::startsWithNoCase(address, "http://") && !text::startsWithNoCase(address, "https://"))
        address = "http://" + address;
    platform::TraceFailure(app.platform.shell.open(address), "opening the website");
}

void FrmMain::cmdDefaultSetting_Click() {
    cmbDays.setListIndex(7);
    chkAutomaticScanYesOrNo.setValue(0);
    call(app.hooks.applySchedule, *this);
}

void FrmMain::lblStart_Click() {
    cmdScan_Click();
    if (cmdScanNow.enabled()) call(app.hooks.scanNow, *this);
}

void FrmMain::lblResult_Click() {
    for (Label* label : {&lblSweepNow, &lblResult, &lblRemove, &lblOptions, &lblExit})
        label->setEnabled(label != &lblResult);
    pgbDeleteSpywaresFound.setVisible(false);
    lblDeletingPercentageCompleted.setVisible(false);
    lblDeletingCaption.setVisible(false);
}

void FrmMain::lblOptions_Click() {
    for (Label* label : {&lblSweepNow, &lblResult, &lblRemove, &lblOptions, &lblExit})
        label->setEnabled(label != &lblOptions);
}

void FrmMain::SendToTray() {
    setWindowState(ui::WindowState::Minimized);
    hide();
    call(app.hooks.enablePopupRestore);
    call(app.hooks.trayShowIcon, *this, app.hooks.trayTip ? app.hooks.trayTip() : app.branding.ProgramName);
    app.userSettings.write(section::Settings, "Minimized", "Yes");
}

void FrmMain::RestoreFromTray() {
    // Shown first, so that the resize to normal records "Minimized" = "No".
    show();
    setWindowState(ui::WindowState::Normal);
    call(app.hooks.hideTrayPopup);
}

void FrmMain::ShowHelp() {
    form8_->load();
    host().yield();
    form8_->unload();
}

void FrmMain::ShowAbout() { frmAbout_->show(false); }

void FrmMain::mnuExit_Click() { unload(ui::UnloadMode::Code); }

void FrmMain::lblHide_Click() { runUnloadOnly(); }

void FrmMain::Form_MouseMove(const ui::MouseEvent& event) {
    if (!event.fromTray) return;
    switch (event.x) {
        case 513:
        case 516:
            call(app.hooks.showTrayPopup);
            break;
        case 515:
        case 518:
            RestoreFromTray();
            break;
        default:
            break;
    }
}

void FrmMain::Form_Resize() {
    layout();
    if (windowState() != ui::WindowState::Normal) {
        ArmBackgroundTimers(true);
        tmrScroll.setOn(false);
        setShowInTaskList(false);
        return;
    }
    tmrScroll.setOn(true);
    tmrScheduler.setOn(false);
    tmrMemoryInspected.setOn(false);
    setShowInTaskList(true);
    if (visible()) app.userSettings.write(section::Settings, "Minimized", "No");
}

void FrmMain::layout() {
    if (windowState() == ui::WindowState::Minimized) return;
    const int top = PageTop + bannerOffset_;
    const int pageWidth = std::max(MinPageWidth, width() - PageLeft - FrameAllowanceX - Margin);
    const int pageHeight = std::max(MinPageHeight, height() - top - FrameAllowanceY);
    for (Frame* page : {&frmStatus, &frmScan, &frmResults, &frmOptions}) page->move(PageLeft, top, pageWidth, pageHeight);

    const int listWidth = pageWidth - 480;
    lvwSpywareFound.move(240, 3900, listWidth, std::max(900, pageHeight - 3900 - 720));
    // The summary's one column spans the list, so that a long finding is not cut off short
    // of the room the list has (its border and a scroll bar take the rest).
    lvwSpywareFound.setColumnWidth(0, std::max(MinColumnWidth, listWidth - SummaryChromeWidth));
    cmdRemove.move(240, pageHeight - 600, 2400, 420);
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.move(240, 780, listWidth, std::max(1200, pageHeight - 780 - 1500));
    layoutRemovalColumns(listWidth);
    const int buttonsTop = pageHeight - 1380;
    cmdExclude.move(240, buttonsTop, 1200, 420);
    cmdSelectAll.move(1560, buttonsTop, 1200, 420);
    deleteButton.move(2880, buttonsTop, 1200, 420);
    lblDeletingCaption.move(240, buttonsTop + 540, listWidth, 300);
    pgbDeleteSpywaresFound.move(240, buttonsTop + 840, listWidth - 2000, 255);
    lblDeletingPercentageCompleted.move(listWidth - 1600, buttonsTop + 840, 1800, 300);
    settingsTabs.move(120, 240, pageWidth - 240, pageHeight - 360);
    for (Frame* view : frmView) view->move(240, 720, pageWidth - 480, pageHeight - 960);
}

void FrmMain::layoutRemovalColumns(int listWidth) {
    auto& list = lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    std::vector<int> widths;
    for (const auto& column : list.columns()) widths.push_back(column.width);
    // Widths set since the last layout (loaded, or dragged by the user) are the new base,
    // belonging to the width the list had then; scaling from a base, not from the last
    // result, keeps rounding from creeping in over many resizes.
    if (columnsLaidOutFor_ <= 0 || widths != columnsLaidOut_) {
        columnBase_ = widths;
        columnBaseFor_ = columnsLaidOutFor_ > 0 ? columnsLaidOutFor_ : listWidth;
    }
    for (std::size_t i = 0; i < columnBase_.size() && i < widths.size(); ++i) {
        const auto scaled = static_cast<long long>(columnBase_[i]) * listWidth;
        const int width = static_cast<int>((scaled + columnBaseFor_ / 2) / std::max(1, columnBaseFor_));
        list.setColumnWidth(i, columnBase_[i] > 0 ? std::max(MinColumnWidth, width) : 0);
        widths[i] = list.columns()[i].width;
    }
    columnsLaidOut_ = widths;
    columnsLaidOutFor_ = listWidth;
}

void FrmMain::Form_QueryUnload(bool& cancel, ui::UnloadMode mode) {
    (void)mode;
    cancel = false;
    app.userSettings.write(section::Options, "RESTART", "False");
    app.userSettings.write(section::Options, "STATUS", "STOPPED");
    call(app.hooks.trayRemoveIcon, *this);
}

void FrmMain::Form_Unload() {
    auto& settings = app.userSettings;
    const auto& columns = lvwPicRemoveListOfSpywareFoundAndToBeRemoved.columns();
    for (std::size_t i = 0; i < columns.size(); ++i)
        settings.write(section::Settings, "FoundCol2" + std::to_string(i + 1), std::to_string(columns[i].width));
    settings.write(section::Settings, "Max", windowState() == ui::WindowState::Maximized ? "1" : "0");
    setWindowState(ui::WindowState::Minimized);
    hide();

    static constexpr const char* secondary[] = {"Form8",         "frmAbout",            "frmDownload",
                                                "frmHomePageChangedAlert", "frmMenuPopUp", "frmReport",
                                                "frmSignatureUpdated", "frmSpywareFoundAlert", "frmHidden",
                                                "frmDelete"};
    for (const char* name : secondary)
        if (ui::Form* window = app.window(name)) window->unload();

    host().laterStartAsked = nullptr;
    // Nothing may tick once the window is gone.
    for (Timer* timer : {&tmrScheduler, &tmrCheckHomePage, &tmrMemoryInspected, &timUpdate, &tmrScroll})
        timer->setOn(false);
    if (app.branding.SkinsEnabled) call(app.hooks.releaseSkinEngine);
    app.end();
}

}  // namespace sorvane::app
