#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace sorvane::ui {
class Form;
}

namespace sorvane::app {

class FrmMain;

// Where the subsystems plug into the main window. Each subsystem sets the members it owns
// at start-up, before the splash window loads the main window; an unset hook does nothing.
// The main window's handlers stay short: they call the hook of the subsystem that owns the
// behaviour and hand it the window, whose lists, labels and timers are public.
struct MainWindowHooks {
    using Action = std::function<void(FrmMain&)>;

    // Skins and banner strip.
    std::function<void()> stopSkinHookOnNt6;             // first step of the main window's load
    std::function<void(ui::Form&)> skinWindow;            // the skin steps for one window
    Action copySkinLabels;                                // plain labels to skinned labels
    std::function<int()> bannerHeight;                    // twips the banner strip takes; 0 without one
    Action setUpBannerStrip;
    std::function<void()> releaseSkinEngine;              // at exit
    std::function<void()> startSkinHook;                  // the splash window's load, after skinning it

    // Language.
    std::function<void(ui::Form&, const std::string& language)> changeLanguage;
    std::function<void()> showLanguageWindow;             // modal, on the very first start
    std::function<void()> openLanguageWindow;             // modeless, from the main window's menu

    // Tray icon and popup.
    std::function<void(ui::Form&, const std::string& toolTip)> trayShowIcon;
    std::function<void(ui::Form&)> trayRemoveIcon;
    std::function<void()> enablePopupRestore;             // the popup's "Show Program" entry
    std::function<void()> showTrayPopup;
    std::function<void()> hideTrayPopup;
    std::function<void(ui::Form&, const std::string& toolTip)> trayChangeToolTip;  // only while an icon shows
    std::function<bool()> trayRunning;                    // bRunningInTray
    // A short notice from the icon; nothing while no icon shows.
    std::function<void(ui::Form&, const std::string& text)> trayBalloon;
    std::function<std::string()> trayTip;                 // the tip: whether protection is on

    // Definitions, drives and schedule, at load.
    std::function<void()> finishInterruptedUpdate;        // after the single-instance test, before the files are read
    std::function<void()> loadExclusions;
    Action loadSchedulerControls;
    Action fillDriveList;
    std::function<void(FrmMain&, std::size_t row)> driveRowChecked;
    Action loadDriveTicks;                                // each drive row ticked from the "Drives" settings
    Action scheduleCheckClicked;                          // chkAutomaticScanYesOrNo
    Action applySchedule;                                 // "Apply"
    Action loadDeleteWindow;                              // load the "Delete Failed" window and hide it

    // Scan driver.
    Action scanNow;                                       // cmdScanNow_Click
    Action pauseScan;
    Action stopScan;
    Action pauseScanByLabel;                              // lblPause_Click: only the label is disabled
    Action stopScanByLabel;                               // lblStop_Click: "Are you sure?"
    Action selectAll;
    std::function<void(FrmMain&, std::size_t row)> syncWorkListChecks;

    // Removal, exclusions, quarantine.
    Action removeChecked;                                 // Command4_Click: asks first
    Action removeRun;                                     // lblRemove_Click: the run itself
    Action excludeChecked;                                // cmdExclude_Click
    Action viewQuarantine;
    Action viewExclusions;

    // Live update, report, data submission.
    Action liveUpdate;                                    // cmdUpdate_Click
    Action rollBackDefinitions;                           // File > Roll Back Definitions
    Action autoUpdateTick;                                // timUpdate_Timer
    std::function<void(FrmMain&, int button, int shift)> liveUpdateMouseDown;  // cmdUpdate_MouseDown
    Action viewReport;
    Action submitScanData;                                // Results page after a scan that found nothing
    Action browseSubmitFile;                              // Command2_Click
    Action submitFile;                                    // cmdSubmit_Click
    Action sendDataMouseUp;                               // chkSendData_MouseUp

    // Shields and scheduler ticks.
    Action refreshProtectionStatus;                       // the Status page's shield and schedule rows
    Action schedulerTick;
    Action homePageShieldTick;
    Action memoryShieldTick;
};

}  // namespace sorvane::app
