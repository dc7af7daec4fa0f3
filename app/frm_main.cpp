#include "app/frm_main.h"

#include <algorithm>

#include "app/definition_files.h"
#include "app/start_at_logon.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace sorvane::app {

using ui::CheckBox;
using ui::CommandButton;
using ui::Frame;
using ui::Label;
using ui::ListView;
using ui::Menu;
using ui::OptionButton;
using ui::ProgressBar;
using ui::Timer;

namespace {

// Layout in twips: a fixed navigation column beside one page area.
constexpr int DefaultWidth = 11400;
constexpr int DefaultHeight = 8100;
constexpr int NavLeft = 120;
constexpr int NavWidth = 2700;  // room for "Visit " and the web address
constexpr int NavButtonHeight = 450;
constexpr int NavStep = 540;
constexpr int CommandLabelStep = 330;
constexpr int PageLeft = NavLeft + NavWidth + 120;
constexpr int PageTop = 120;
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

template <class T>
T& placed(T& control, int left, int top, int width, int height, std::string caption = {}) {
    control.move(left, top, width, height);
    if (!caption.empty()) control.setCaption(std::move(caption));
    return control;
}

}  // namespace

FrmMain::FrmMain(Application& application)
    : ui::Form(application.host, "FrmMain"),
      app(application),
      cmdStatus(add<CommandButton>("cmdStatus")),
      cmdScan(add<CommandButton>("cmdScan")),
      cmdResults(add<CommandButton>("cmdResults")),
      cmdSettings(add<CommandButton>("cmdSettings")),
      cmdUpdate(add<CommandButton>("cmdUpdate")),
      cmdLog(add<CommandButton>("cmdLog")),
      Command5(add<CommandButton>("Command5")),
      cmdWebsite(add<CommandButton>("cmdWebsite")),
      frmStatus(add<Frame>("frmStatus")),
      Label22(add<Label>("Label22", -1, &frmStatus)),
      lblDefCountCaption(add<Label>("lblDefCountCaption", -1, &frmStatus)),
      lblDefCount(add<Label>("lblDefCount", -1, &frmStatus)),
      lblVersionCaption(add<Label>("lblVersionCaption", -1, &frmStatus)),
      lblVersion(add<Label>("lblVersion", -1, &frmStatus)),
      lblDefVersionCaption(add<Label>("lblDefVersionCaption", -1, &frmStatus)),
      lblDefVersion(add<Label>("lblDefVersion", -1, &frmStatus)),
      lblDefRemovedCaption(add<Label>("lblDefRemovedCaption", -1, &frmStatus)),
      lblDefRemoved(add<Label>("lblDefRemoved", -1, &frmStatus)),
      lblLastScanCaption(add<Label>("lblLastScanCaption", -1, &frmStatus)),
      lblLastScan(add<Label>("lblLastScan", -1, &frmStatus)),
      lblLastFullScanCaption(add<Label>("lblLastFullScanCaption", -1, &frmStatus)),
      lblLastFullScan(add<Label>("lblLastFullScan", -1, &frmStatus)),
      frmScan(add<Frame>("frmScan")),
      cmdScanNow(add<CommandButton>("cmdScanNow", -1, &frmScan)),
      cmdPause(add<CommandButton>("cmdPause", -1, &frmScan)),
      cmdStop(add<CommandButton>("cmdStop", -1, &frmScan)),
      lblStart(add<Label>("lblStart", -1, &frmScan)),
      lblPause(add<Label>("lblPause", -1, &frmScan)),
      lblStop(add<Label>("lblStop", -1, &frmScan)),
      lblPhaseProgress(add<Label>("lblPhaseProgress", -1, &frmScan)),
      pb1(add<ProgressBar>("pb1", -1, &frmScan)),
      lblOverallProgress(add<Label>("lblOverallProgress", -1, &frmScan)),
      pb2(add<ProgressBar>("pb2", -1, &frmScan)),
      pbgMain(add<ProgressBar>("pbgMain", -1, &frmScan)),
      lblPercentageCompleted(add<Label>("lblPercentageCompleted", -1, &frmScan)),
      lblStatus(add<Label>("lblStatus", 0, &frmScan)),
      lblMemoryInspectedCaption(add<Label>("lblMemoryInspectedCaption", -1, &frmScan)),
      lblMemoryInspected(add<Label>("lblMemoryInspected", -1, &frmScan)),
      lblRegistryInspectedCaption(add<Label>("lblRegistryInspectedCaption", -1, &frmScan)),
      lblRegistryInspected(add<Label>("lblRegistryInspected", -1, &frmScan)),
      lblFilesFolderInspectedCaption(add<Label>("lblFilesFolderInspectedCaption", -1, &frmScan)),
      lblFilesFolderInspected(add<Label>("lblFilesFolderInspected", -1, &frmScan)),
      lblSoftwareFoundCaption(add<Label>("lblSoftwareFoundCaption", -1, &frmScan)),
      lblSoftwareFound(add<Label>("lblSoftwareFound", -1, &frmScan)),
      lblTotalNoOfRunningItems(add<Label>("lblTotalNoOfRunningItems", -1, &frmScan)),
      shpCircle(add<ui::Shape>("shpCircle", -1, &frmScan)),
      lvwSpywareFound(add<ListView>("lvwSpywareFound", -1, &frmScan)),
      cmdRemove(add<CommandButton>("cmdRemove", -1, &frmScan)),
      frmResults(add<Frame>("frmResults")),
      lvwPicRemoveListOfSpywareFoundAndToBeRemoved(
          add<ListView>("lvwPicRemoveListOfSpywareFoundAndToBeRemoved", -1, &frmResults)),
      lblRemovePicSoftwareFoundCaption(add<Label>("lblRemovePicSoftwareFoundCaption", -1, &frmResults)),
      lblRemovePicSoftwareFound(add<Label>("lblRemovePicSoftwareFound", -1, &frmResults)),
      lbltracesFoundCaption(add<Label>("lbltracesFoundCaption", -1, &frmResults)),
      lbltracesFound(add<Label>("lbltracesFound", -1, &frmResults)),
      cmdExclude(add<CommandButton>("cmdExclude", -1, &frmResults)),
      cmdSelectAll(add<CommandButton>("cmdSelectAll", -1, &frmResults)),
      Command4(add<CommandButton>("Command4", -1, &frmResults)),
      pgbDeleteSpywaresFound(add<ProgressBar>("pgbDeleteSpywaresFound", -1, &frmResults)),
      lblDeletingCaption(add<Label>("lblDeletingCaption", -1, &frmResults)),
      lblDeletingPercentageCompleted(add<Label>("lblDeletingPercentageCompleted", -1, &frmResults)),
      lvwFilesToBeDeleted(add<ListView>("lvwFilesToBeDeleted")),
      lvwRegistryToBeDeleted(add<ListView>("lvwRegistryToBeDeleted")),
      lvwCookiesToDelete(add<ListView>("lvwCookiesToDelete")),
      lvwFileNotFounds(add<ListView>("lvwFileNotFounds")),
      frmOptions(add<Frame>("frmOptions")),
      TabStrip1(add<ui::TabStrip>("TabStrip1", -1, &frmOptions)),
      frmView{&add<Frame>("frmView", 0, &frmOptions), &add<Frame>("frmView", 1, &frmOptions),
              &add<Frame>("frmView", 2, &frmOptions), &add<Frame>("frmView", 3, &frmOptions)},
      chkSweepMemory(add<CheckBox>("chkSweepMemory", -1, frmView[0])),
      chkScanRegistry(add<CheckBox>("chkScanRegistry", -1, frmView[0])),
      chkScanCookies(add<CheckBox>("chkScanCookies", -1, frmView[0])),
      chkMakeLog(add<CheckBox>("chkMakeLog", -1, frmView[0])),
      chkSendData(add<CheckBox>("chkSendData", -1, frmView[0])),
      fraScanScope(add<Frame>("fraScanScope", -1, frmView[0])),
      optScanOnlyKnownSoftwares(add<OptionButton>("optScanOnlyKnownSoftwares", -1, &fraScanScope)),
      optScanAllSelectedHardDrive(add<OptionButton>("optScanAllSelectedHardDrive", -1, &fraScanScope)),
      lvwHardDrives(add<ListView>("lvwHardDrives", -1, frmView[0])),
      Command1(add<CommandButton>("Command1", -1, frmView[0])),
      chkAutoProtect(add<CheckBox>("chkAutoProtect", -1, frmView[1])),
      fraMemoryShield(add<Frame>("fraMemoryShield", -1, frmView[1])),
      optMemorySheildOn(add<OptionButton>("optMemorySheildOn", -1, &fraMemoryShield)),
      optMemorySheildOff(add<OptionButton>("optMemorySheildOff", -1, &fraMemoryShield)),
      chkHomePage(add<CheckBox>("chkHomePage", -1, frmView[1])),
      fraHomePageShield(add<Frame>("fraHomePageShield", -1, frmView[1])),
      optIEHomePageSheildOn(add<OptionButton>("optIEHomePageSheildOn", -1, &fraHomePageShield)),
      optIEHomePageSheildOff(add<OptionButton>("optIEHomePageSheildOff", -1, &fraHomePageShield)),
      fraRestoreChoice(add<Frame>("fraRestoreChoice", -1, frmView[1])),
      optAlwaysnotifybeforerestoring(add<OptionButton>("optAlwaysnotifybeforerestoring", -1, &fraRestoreChoice)),
      optRestoredefaultwithoutnotification(
          add<OptionButton>("optRestoredefaultwithoutnotification", -1, &fraRestoreChoice)),
      chkRunAtStartup(add<CheckBox>("chkRunAtStartup", -1, frmView[1])),
      chkAutomaticScanYesOrNo(add<CheckBox>("chkAutomaticScanYesOrNo", -1, frmView[2])),
      cmbDays(add<ui::ComboBox>("cmbDays", -1, frmView[2])),
      dtpScheduleDate(add<ui::DatePicker>("dtpScheduleDate", -1, frmView[2])),
      dtpScheduleTime(add<ui::DatePicker>("dtpScheduleTime", -1, frmView[2])),
      chkAutoDel(add<CheckBox>("chkAutoDel", -1, frmView[2])),
      CmdProceed(add<CommandButton>("CmdProceed", -1, frmView[2])),
      cmdDefaultSetting(add<CommandButton>("cmdDefaultSetting", -1, frmView[2])),
      chkAutomaticUpdate(add<CheckBox>("chkAutomaticUpdate", -1, frmView[3])),
      lblLastUpdate(add<Label>("lblLastUpdate", -1, frmView[3])),
      cmdLiveUpdate(add<CommandButton>("cmdLiveUpdate", -1, frmView[3])),
      txtFilename(add<ui::TextBox>("txtFilename", -1, frmView[3])),
      Command2(add<CommandButton>("Command2", -1, frmView[3])),
      cmdSubmit(add<CommandButton>("cmdSubmit", -1, frmView[3])),
      lblSubmitResult(add<Label>("lblSubmitResult", -1, frmView[3])),
      lblViewLogFile(add<Label>("lblViewLogFile")),
      lblHide(add<Label>("lblHide")),
      lblSweepNow(add<Label>("lblSweepNow")),
      lblResult(add<Label>("lblResult")),
      lblRemove(add<Label>("lblRemove")),
      lblOptions(add<Label>("lblOptions")),
      lblExit(add<Label>("lblExit")),
      mnuFile(add<Menu>("mnuFile")),
      mnuFileItem{},
      mnuSettings(add<Menu>("mnuSettings")),
      mnuSettingsItem{},
      mnuQuarantine(add<Menu>("mnuQuarantine")),
      mnuQuarItem{},
      mnuHelp(add<Menu>("mnuHelp")),
      mnuViewHelp(add<Menu>("mnuViewHelp", -1, &mnuHelp)),
      mnuAbout(add<Menu>("mnuAbout")),
      mnuAboutThisSoftware(add<Menu>("mnuAboutThisSoftware", -1, &mnuAbout)),
      tmrScheduler(add<Timer>("tmrScheduler")),
      tmrCheckHomePage(add<Timer>("tmrCheckHomePage")),
      tmrMemoryInspected(add<Timer>("tmrMemoryInspected")),
      timUpdate(add<Timer>("timUpdate")),
      tmrScroll(add<Timer>("tmrScroll")),
      form8_(std::make_unique<Form8>(application)),
      frmAbout_(std::make_unique<FrmAbout>(application)),
      frmHidden_(std::make_unique<FrmHidden>(application)) {
    static constexpr const char* fileItems[] = {"Scan Now", "Scan Results", "View Log", "-", "Run Live Update",
                                                "-", "Minimize to Tray", "-", "Exit"};
    for (int i = 0; i < 9; ++i) {
        mnuFileItem[static_cast<std::size_t>(i)] = &placed(add<Menu>("mnuFileItem", i, &mnuFile), 0, 0, 0, 0,
                                                            fileItems[i]);
        if (i == 4) mnuRollBack = &placed(add<Menu>("mnuRollBack", -1, &mnuFile), 0, 0, 0, 0, "Roll Back Definitions");
    }
    static constexpr const char* tabs[] = {"Scan Options", "Proactive Protection", "Schedule", "Auto Update"};
    for (int i = 0; i < 4; ++i)
        mnuSettingsItem[static_cast<std::size_t>(i)] = &placed(add<Menu>("mnuSettingsItem", i, &mnuSettings), 0, 0,
                                                                0, 0, tabs[i]);
    placed(add<Menu>("mnuSettingsSeparator", -1, &mnuSettings), 0, 0, 0, 0, "-");
    mnuLanguage = &placed(add<Menu>("mnuLanguage", -1, &mnuSettings), 0, 0, 0, 0, "Language...");
    mnuQuarItem[0] = &placed(add<Menu>("mnuQuarItem", 0, &mnuQuarantine), 0, 0, 0, 0, "View Quarantine");
    mnuQuarItem[1] = &placed(add<Menu>("mnuQuarItem", 1, &mnuQuarantine), 0, 0, 0, 0, "View Exclusions");

    app.registerWindow(*this);
    app.registerWindow(*form8_);
    app.registerWindow(*frmAbout_);
    app.registerWindow(*frmHidden_);

    // Captions.
    cmdStatus.setCaption("Status");
    cmdScan.setCaption("Scan Now");
    cmdResults.setCaption("Results/Removal");
    cmdSettings.setCaption("Settings");
    cmdUpdate.setCaption("Live Update");
    cmdLog.setCaption("View Log");
    Command5.setCaption("Send to Tray");
    cmdWebsite.setCaption("Visit [Website]");
    frmScan.setCaption("Scan");
    frmResults.setCaption("Results");
    mnuFile.setCaption("File");
    mnuFileItem[1]->setVisible(false);
    mnuSettings.setCaption("Settings");
    mnuQuarantine.setCaption("Quarantine");
    mnuHelp.setCaption("Help");
    mnuViewHelp.setCaption("View Help");
    mnuAbout.setCaption("About");
    mnuAboutThisSoftware.setCaption("About this software");
    for (const char* tab : tabs) TabStrip1.addTab(tab);

    // Navigation column.
    int navTop = PageTop;
    for (CommandButton* button : {&cmdStatus, &cmdScan, &cmdResults, &cmdSettings, &cmdUpdate, &cmdLog, &Command5,
                                  &cmdWebsite}) {
        button->move(NavLeft, navTop, NavWidth, NavButtonHeight);
        navTop += NavStep;
    }
    // The command labels: one column of links under the buttons, evenly spaced, and "X"
    // (which ends the program) apart from them at the right, where a closing mark is looked for.
    placed(lblHide, NavLeft + NavWidth - 240, navTop + 120, 240, 300, "X");
    const std::pair<Label*, const char*> commandLabels[] = {{&lblViewLogFile, "Show Report"}, {&lblSweepNow, "Sweep Now"},
                                                            {&lblResult, "Result"},           {&lblRemove, "Remove"},
                                                            {&lblOptions, "Options"},         {&lblExit, "Exit"}};
    for (const auto& [label, caption] : commandLabels) {
        placed(*label, NavLeft, navTop + 120, NavWidth - 360, 300, caption);
        label->setLinkStyle(true);
        navTop += CommandLabelStep;
    }

    // Status page.
    placed(Label22, 240, 360, 6000, 420, "Welcome to [ProgramName]");
    Label22.setBold(true);
    const std::pair<Label*, const char*> statusRows[] = {
        {&lblDefCountCaption, "Number of Definitions:"}, {&lblVersionCaption, "Program Version:"},
        {&lblDefVersionCaption, "Definitions Version:"}, {&lblDefRemovedCaption, "Items Removed:"},
        {&lblLastScanCaption, "Last Scan:"},             {&lblLastFullScanCaption, "Last Complete Scan:"}};
    Label* statusValues[] = {&lblDefCount, &lblVersion, &lblDefVersion, &lblDefRemoved, &lblLastScan, &lblLastFullScan};
    for (std::size_t i = 0; i < std::size(statusRows); ++i) {
        const int top = 1080 + static_cast<int>(i) * 420;
        placed(*statusRows[i].first, 240, top, 2400, 300, statusRows[i].second);
        statusValues[i]->move(2760, top, 4200, 300);
    }

    // Scan page.
    placed(cmdScanNow, 240, 360, 1200, 420, "Start");
    placed(cmdPause, 1560, 360, 1200, 420, "Pause");
    placed(cmdStop, 2880, 360, 1200, 420, "Stop");
    placed(lblStart, 4320, 420, 900, 300, "Start");
    placed(lblPause, 5280, 420, 900, 300, "Pause");
    placed(lblStop, 6240, 420, 900, 300, "Stop");
    placed(lblPercentageCompleted, 240, 960, 7000, 300);
    placed(lblPhaseProgress, 240, 1260, 2000, 300, "Current Progress:");
    placed(pb1, 2280, 1260, 5000, 255);
    placed(lblOverallProgress, 240, 1620, 2000, 300, "Overall Progress:");
    placed(pb2, 2280, 1620, 5000, 255);
    placed(pbgMain, 2280, 1980, 5000, 255);
    pbgMain.setVisible(false);
    placed(lblStatus, 240, 2040, 7000, 540);
    const std::pair<Label*, const char*> counters[] = {{&lblMemoryInspectedCaption, "Memory Items Inspected"},
                                                       {&lblRegistryInspectedCaption, "Registry Entries Inspected"},
                                                       {&lblFilesFolderInspectedCaption, "Files/Folders Inspected"},
                                                       {&lblSoftwareFoundCaption, "Spyware/Adware Found"}};
    Label* counterValues[] = {&lblMemoryInspected, &lblRegistryInspected, &lblFilesFolderInspected, &lblSoftwareFound};
    for (std::size_t i = 0; i < std::size(counters); ++i) {
        const int top = 2640 + static_cast<int>(i) * 300;
        placed(*counters[i].first, 240, top, 2800, 300, counters[i].second);
        placed(*counterValues[i], 3120, top, 1200, 300, "0");
    }
    placed(lblTotalNoOfRunningItems, 4440, 2640, 1200, 300, "0");
    placed(shpCircle, 6600, 2640, 300, 300);
    placed(lvwSpywareFound, 240, 3900, 7000, 1800);
    lvwSpywareFound.addColumn("Adware and Spyware Found", 6800);
    placed(cmdRemove, 240, 5820, 2400, 420, "Click Here to Continue");

    // Results page.
    placed(lblRemovePicSoftwareFoundCaption, 240, 360, 2400, 300, "Spyware/Adware Found:");
    placed(lblRemovePicSoftwareFound, 2700, 360, 900, 300, "0");
    placed(lbltracesFoundCaption, 3720, 360, 1800, 300, "Traces Found:");
    placed(lbltracesFound, 5580, 360, 900, 300, "0");
    placed(lvwPicRemoveListOfSpywareFoundAndToBeRemoved, 240, 780, 7000, 3900);
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.setCheckBoxes(true);
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.addColumn("Spyware/Adware Found", 1400);
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.addColumn("Location", 1400);
    lvwPicRemoveListOfSpywareFoundAndToBeRemoved.addColumn("Type", 1400);
    placed(cmdExclude, 240, 4800, 1200, 420, "Exclude");
    placed(cmdSelectAll, 1560, 4800, 1200, 420, "Select All");
    placed(Command4, 2880, 4800, 1200, 420, "Delete");
    placed(lblDeletingCaption, 240, 5340, 4000, 300);
    placed(pgbDeleteSpywaresFound, 240, 5640, 5000, 255);
    placed(lblDeletingPercentageCompleted, 5400, 5640, 1800, 300);

    // Hidden work lists.
    for (ListView* list : {&lvwFilesToBeDeleted, &lvwRegistryToBeDeleted, &lvwCookiesToDelete, &lvwFileNotFounds})
        list->setVisible(false);
    lvwFilesToBeDeleted.addColumn("Path", 1400);
    lvwFilesToBeDeleted.addColumn("Name", 1400);
    for (const char* header : {"Root", "Key", "Value", "Name"}) lvwRegistryToBeDeleted.addColumn(header, 1400);
    lvwCookiesToDelete.addColumn("Cookie", 1400);
    lvwFileNotFounds.addColumn("File", 1400);
    lvwFileNotFounds.addColumn("Name", 1400);

    // Settings page.
    placed(TabStrip1, 120, 240, 7200, 5600);
    for (Frame* view : frmView) view->move(240, 720, 6960, 4980);
    placed(chkSweepMemory, 120, 120, 4000, 300, "Scan Proccesses and Files");
    placed(chkScanRegistry, 120, 450, 4000, 300, "Scan Windows Registry");
    placed(chkScanCookies, 120, 780, 4000, 300, "Scan Internet Cookies");
    placed(chkMakeLog, 120, 1110, 4000, 300, "Save scan results to log");
    placed(chkSendData, 120, 1440, 6000, 300, "Send anonymous data to help identify unknown spyware");
    placed(fraScanScope, 120, 1860, 3000, 900, "Scan Type");
    placed(optScanOnlyKnownSoftwares, 120, 240, 2700, 300, "Quick Scan");
    placed(optScanAllSelectedHardDrive, 120, 540, 2700, 300, "Complete System Scan");
    placed(lvwHardDrives, 3240, 1860, 3000, 1800);
    lvwHardDrives.setCheckBoxes(true);
    lvwHardDrives.addColumn("Drive", 2800);
    lvwHardDrives.setVisible(false);
    placed(Command1, 120, 3900, 1500, 420, "Scan Now");

    placed(chkAutoProtect, 120, 120, 3000, 300, "Enable");
    placed(fraMemoryShield, 120, 480, 3200, 900, "Memory Shield");
    placed(optMemorySheildOn, 120, 240, 2800, 300, "Enabled");
    placed(optMemorySheildOff, 120, 540, 2800, 300, "Disabled");
    placed(chkHomePage, 3480, 120, 3000, 300, "Enable");
    placed(fraHomePageShield, 3480, 480, 3200, 900, "Home Page Shield");
    placed(optIEHomePageSheildOn, 120, 240, 2800, 300, "Enabled");
    placed(optIEHomePageSheildOff, 120, 540, 2800, 300, "Disabled");
    placed(fraRestoreChoice, 120, 1560, 6560, 900, "When the home page changes");
    placed(optAlwaysnotifybeforerestoring, 120, 240, 6200, 300, "Ask me what I would like to do");
    placed(optRestoredefaultwithoutnotification, 120, 540, 6200, 300, "Silently restore my original home page");
    placed(chkRunAtStartup, 120, 2640, 6500, 300, "Run at Startup and protect my computer automatically");

    placed(chkAutomaticScanYesOrNo, 120, 120, 4000, 300, "Enable Scheduled Scans");
    placed(cmbDays, 120, 540, 2400, 315);
    placed(dtpScheduleDate, 2640, 540, 1800, 315);
    placed(dtpScheduleTime, 4560, 540, 1800, 315);
    dtpScheduleTime.setShowsTime(true);
    dtpScheduleDate.setAllowsNoValue(true);
    dtpScheduleTime.setAllowsNoValue(true);
    placed(chkAutoDel, 120, 1020, 6000, 300, "Remove found items after a scheduled scan");
    placed(CmdProceed, 120, 1500, 1200, 420, "Apply");
    placed(cmdDefaultSetting, 1440, 1500, 1200, 420, "Reset");

    placed(chkAutomaticUpdate, 120, 120, 5000, 300, "Enable automatic Live update (recommended)");
    placed(lblLastUpdate, 120, 540, 6500, 300);
    placed(cmdLiveUpdate, 120, 960, 2400, 420, "Run Live Update Now");
    placed(txtFilename, 120, 1680, 4200, 315);
    placed(Command2, 4440, 1650, 1000, 375, "Browse");
    placed(cmdSubmit, 5520, 1650, 1000, 375, "Submit");
    placed(lblSubmitResult, 120, 2100, 6400, 600);

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
    Command1.onClick = [this] { cmdScan_Click(); };
    cmdResults.onClick = [this] { cmdResults_Click(); };
    cmdRemove.onClick = [this] { cmdResults_Click(); };
    cmdSettings.onClick = [this] { cmdSettings_Click(); };
    cmdUpdate.onClick = [this] { cmdUpdate_Click(); };
    cmdUpdate.onMouseDown = [this, &hooks](const ui::MouseEvent& event) {
        if (hooks.liveUpdateMouseDown) hooks.liveUpdateMouseDown(*this, event.button, event.shift);
    };
    cmdLiveUpdate.onClick = [this] { cmdUpdate_Click(); };
    Command5.onClick = [this] { SendToTray(); };
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
    Command4.onClick = [this, &hooks] { call(hooks.removeChecked, *this); };
    lblRemove.onClick = [this, &hooks] { call(hooks.removeRun, *this); };
    cmdExclude.onClick = [this, &hooks] { call(hooks.excludeChecked, *this); };
    lvwHardDrives.onItemCheck = [this, &hooks](std::size_t row) { call(hooks.driveRowChecked, *this, row); };

    CmdProceed.onClick = [this, &hooks] { call(hooks.applySchedule, *this); };
    cmdDefaultSetting.onClick = [this] { cmdDefaultSetting_Click(); };
    chkAutomaticScanYesOrNo.onClick = [this, &hooks] { call(hooks.scheduleCheckClicked, *this); };
    Command2.onClick = [this, &hooks] { call(hooks.browseSubmitFile, *this); };
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

    TabStrip1.onClick = [this] { TabStrip1_Click(); };

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
    Label22.setCaption(app.brandedMessage("MSG_CAPTION2"));
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
    TabStrip1.select(tab);
}

void FrmMain::TabStrip1_Click() {
    const int selected = TabStrip1.selected();
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
    Command4.move(2880, buttonsTop, 1200, 420);
    lblDeletingCaption.move(240, buttonsTop + 540, listWidth, 300);
    pgbDeleteSpywaresFound.move(240, buttonsTop + 840, listWidth - 2000, 255);
    lblDeletingPercentageCompleted.move(listWidth - 1600, buttonsTop + 840, 1800, 300);
    TabStrip1.move(120, 240, pageWidth - 240, pageHeight - 360);
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
