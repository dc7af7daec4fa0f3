#pragma once
#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/secondary_windows.h"
#include "ui/controls.h"
#include "ui/form.h"

namespace sorvane::app {

// The main window. It owns every list and timer of the program. Its controls are designed in
// FrmMainLayout, under the names the translation files and settings know; the members bind
// them, most under those names, which the rest of the program uses, a few under what they do.
//
// Behaviour that belongs to another subsystem is reached through app.hooks
// (MainWindowHooks): scan driver (scanNow, pauseScan, stopScan, pauseScanByLabel,
// stopScanByLabel, selectAll,
// syncWorkListChecks), removal (removeChecked), exclusions and quarantine
// (excludeChecked, viewExclusions, viewQuarantine), live update (liveUpdate,
// autoUpdateTick), report and submission (viewReport, submitScanData, browseSubmitFile,
// submitFile), shields and scheduler (schedulerTick, homePageShieldTick,
// memoryShieldTick, loadSchedulerControls, scheduleCheckClicked, applySchedule), drive
// list (fillDriveList, loadDriveTicks, driveRowChecked), language (changeLanguage, showLanguageWindow),
// tray (trayShowIcon, trayRemoveIcon, enablePopupRestore, showTrayPopup, hideTrayPopup),
// skins and banner (stopSkinHookOnNt6, skinWindow, copySkinLabels, bannerHeight,
// setUpBannerStrip, releaseSkinEngine). `chkSendData` has no Click handler here: the data
// submission reacts to the user's own mouse-up or space bar, not to the value set at load.
class FrmMain : public ui::Form {
public:
    explicit FrmMain(Application& app);
    ~FrmMain() override;

    // The core's own secondary windows.
    Form8& form8();
    FrmAbout& frmAbout();
    FrmHidden& frmHidden();

    Application& app;

    // Navigation column.
    ui::CommandButton& cmdStatus;
    ui::CommandButton& cmdScan;
    ui::CommandButton& cmdResults;
    ui::CommandButton& cmdSettings;
    ui::CommandButton& cmdUpdate;
    ui::CommandButton& cmdLog;
    ui::CommandButton& sendToTrayButton;  // "Command5"
    ui::CommandButton& cmdWebsite;

    // Status page.
    ui::Frame& frmStatus;
    ui::Label& welcomeLabel;  // "Label22"
    ui::Label& lblDefCountCaption;
    ui::Label& lblDefCount;
    ui::Label& lblVersionCaption;
    ui::Label& lblVersion;
    ui::Label& lblDefVersionCaption;
    ui::Label& lblDefVersion;
    ui::Label& lblDefRemovedCaption;
    ui::Label& lblDefRemoved;
    ui::Label& lblLastScanCaption;
    ui::Label& lblLastScan;
    ui::Label& lblLastFullScanCaption;
    ui::Label& lblLastFullScan;

    // Scan page.
    ui::Frame& frmScan;
    ui::CommandButton& cmdScanNow;
    ui::CommandButton& cmdPause;
    ui::CommandButton& cmdStop;
    ui::Label& lblStart;
    ui::Label& lblPause;
    ui::Label& lblStop;
    ui::Label& lblPhaseProgress;
    ui::ProgressBar& pb1;
    ui::Label& lblOverallProgress;
    ui::ProgressBar& pb2;
    ui::ProgressBar& pbgMain;
    ui::Label& lblPercentageCompleted;
    ui::Label& lblStatus;  // element 0 of the lblStatus array: the two-line status text
    ui::Label& lblMemoryInspectedCaption;
    ui::Label& lblMemoryInspected;
    ui::Label& lblRegistryInspectedCaption;
    ui::Label& lblRegistryInspected;
    ui::Label& lblFilesFolderInspectedCaption;
    ui::Label& lblFilesFolderInspected;
    ui::Label& lblSoftwareFoundCaption;
    ui::Label& lblSoftwareFound;
    ui::Label& lblTotalNoOfRunningItems;
    ui::Shape& shpCircle;
    ui::ListView& lvwSpywareFound;
    ui::CommandButton& cmdRemove;

    // Results page.
    ui::Frame& frmResults;
    ui::ListView& lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    ui::Label& lblRemovePicSoftwareFoundCaption;
    ui::Label& lblRemovePicSoftwareFound;
    ui::Label& lbltracesFoundCaption;
    ui::Label& lbltracesFound;
    ui::CommandButton& cmdExclude;
    ui::CommandButton& cmdSelectAll;
    ui::CommandButton& deleteButton;  // "Command4"
    ui::ProgressBar& pgbDeleteSpywaresFound;
    ui::Label& lblDeletingCaption;
    ui::Label& lblDeletingPercentageCompleted;

    // Hidden work lists of a scan.
    ui::ListView& lvwFilesToBeDeleted;
    ui::ListView& lvwRegistryToBeDeleted;
    ui::ListView& lvwCookiesToDelete;
    ui::ListView& lvwFileNotFounds;

    // Settings page: tab strip and one inner frame per tab.
    ui::Frame& frmOptions;
    ui::TabStrip& settingsTabs;  // "TabStrip1"
    std::array<ui::Frame*, 4> frmView;

    // "Scan Options".
    ui::CheckBox& chkSweepMemory;
    ui::CheckBox& chkScanRegistry;
    ui::CheckBox& chkScanCookies;
    ui::CheckBox& chkMakeLog;
    ui::CheckBox& chkSendData;
    ui::Frame& fraScanScope;
    ui::OptionButton& optScanOnlyKnownSoftwares;
    ui::OptionButton& optScanAllSelectedHardDrive;
    ui::ListView& lvwHardDrives;
    ui::CommandButton& scanPageButton;  // "Command1": shows the Scan page

    // "Proactive Protection".
    ui::CheckBox& chkAutoProtect;
    ui::Frame& fraMemoryShield;
    ui::OptionButton& optMemorySheildOn;
    ui::OptionButton& optMemorySheildOff;
    ui::CheckBox& chkHomePage;
    ui::Frame& fraHomePageShield;
    ui::OptionButton& optIEHomePageSheildOn;
    ui::OptionButton& optIEHomePageSheildOff;
    ui::Frame& fraRestoreChoice;
    ui::OptionButton& optAlwaysnotifybeforerestoring;
    ui::OptionButton& optRestoredefaultwithoutnotification;
    ui::CheckBox& chkRunAtStartup;

    // "Schedule".
    ui::CheckBox& chkAutomaticScanYesOrNo;
    ui::ComboBox& cmbDays;
    ui::DatePicker& dtpScheduleDate;
    ui::DatePicker& dtpScheduleTime;
    ui::CheckBox& chkAutoDel;
    ui::CommandButton& applyScheduleButton;  // "CmdProceed"
    ui::CommandButton& cmdDefaultSetting;

    // "Auto Update".
    ui::CheckBox& chkAutomaticUpdate;
    ui::Label& lblLastUpdate;
    ui::CommandButton& cmdLiveUpdate;
    ui::TextBox& txtFilename;
    ui::CommandButton& browseButton;  // "Command2": picks the file to submit
    ui::CommandButton& cmdSubmit;
    ui::Label& lblSubmitResult;  // the outcome of "Submit"

    // Command labels outside the pages.
    ui::Label& lblViewLogFile;
    ui::Label& lblHide;
    ui::Label& lblSweepNow;
    ui::Label& lblResult;
    ui::Label& lblRemove;
    ui::Label& lblOptions;
    ui::Label& lblExit;

    // Menu bar. Items of "File", "Settings" and "Quarantine" are control arrays by position.
    ui::Menu& mnuFile;
    std::array<ui::Menu*, 9> mnuFileItem;
    ui::Menu& mnuSettings;
    std::array<ui::Menu*, 4> mnuSettingsItem;
    ui::Menu& mnuQuarantine;
    std::array<ui::Menu*, 2> mnuQuarItem;
    ui::Menu& mnuHelp;
    ui::Menu& mnuViewHelp;
    ui::Menu& mnuAbout;
    ui::Menu& mnuAboutThisSoftware;

    // Timers.
    ui::Timer& tmrScheduler;
    ui::Timer& tmrCheckHomePage;
    ui::Timer& tmrMemoryInspected;
    ui::Timer& timUpdate;
    ui::Timer& tmrScroll;

    // "Settings" > "Language...": the language window, modeless; after the tab items.
    ui::Menu* mnuLanguage = nullptr;
    // "File" > "Roll Back Definitions", below "Run Live Update": the definitions before the last update.
    ui::Menu* mnuRollBack = nullptr;

    // Start-up and status services.
    void ArmBackgroundTimers(bool enabled);
    // Switches tmrScheduler. The clock check arms itself for its next moment, which may lie
    // beyond the next one once the timer was off: switched on, it first looks at the clock.
    void SwitchScheduler(bool on);
    void RefreshStatusPanel();
    // A definitions date as the window shows it: the date and the catalogue's time zone.
    std::string DefinitionsDateText(std::string_view date) const;
    // False (after deleting what is left of them) when a definition file is missing.
    bool CheckDefinitionFiles();
    void HideAllPages();
    void LoadOptionsIntoControls();
    void ShowSettingsTab(int tab);
    void SendToTray();
    void RestoreFromTray();
    // The invisible help window's run: open "Help.chm" when present.
    void ShowHelp();
    void ShowAbout();

    // Handlers named as the program knows them.
    void cmdStatus_Click();
    void cmdScan_Click();
    void cmdResults_Click();
    void cmdSettings_Click();
    void cmdUpdate_Click();
    void cmdWebsite_Click();
    void cmdDefaultSetting_Click();
    void lblStart_Click();
    void lblResult_Click();
    void lblOptions_Click();
    void TabStrip1_Click();
    void mnuExit_Click();
    void lblHide_Click();

    // Option click handlers: each writes the control's state back at once.
    void chkCheckValue_Click(ui::CheckBox& box);
    void chkAutoDel_Click();
    void chkAutoProtect_Click();
    void chkHomePage_Click();
    void optMemoryShield_Click(bool on);
    void optHomePageShield_Click(bool on);
    void optRestoreChoice_Click();
    void optScanScope_Click(bool allDrives);
    void chkRunAtStartup_Click();

protected:
    void Form_Load() override;
    void Form_QueryUnload(bool& cancel, ui::UnloadMode mode) override;
    void Form_Unload() override;
    void Form_Resize() override;
    void Form_MouseMove(const ui::MouseEvent& event) override;

private:
    void wireHandlers();
    void layout();
    // The removal list's columns keep their share of the list's width as it changes.
    void layoutRemovalColumns(int listWidth);
    void offerFirstStartUpdate();
    void setRestoreOptionsEnabled(bool enabled);
    void writeBool(std::string_view key, bool value);
    template <class Hook, class... Args>
    void call(const Hook& hook, Args&&... args) {
        if (hook) hook(std::forward<Args>(args)...);
    }

    std::unique_ptr<Form8> form8_;
    std::unique_ptr<FrmAbout> frmAbout_;
    std::unique_ptr<FrmHidden> frmHidden_;
    int bannerOffset_ = 0;
    // The widths the columns were last given by a set-up that is not the layout (the stored
    // ones, the user's drag), the list width they belong to, and what the layout made of them.
    std::vector<int> columnBase_;
    int columnBaseFor_ = 0;
    std::vector<int> columnsLaidOut_;
    int columnsLaidOutFor_ = 0;
};

}  // namespace sorvane::app
