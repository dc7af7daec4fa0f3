#include "app/frm_main_layout.h"

#include <string_view>

namespace sorvane::app {

namespace {

using namespace main_design;
using enum ui::ControlType;

constexpr int NavButtonHeight = 450;
constexpr int NavStep = 540;
constexpr int NavButtons = 8;
// The command labels: one column of links under the buttons, evenly spaced, and "X" (which
// ends the program) apart from them at the right, where a closing mark is looked for.
constexpr int CommandLabelsTop = PageTop + NavButtons * NavStep + 120;
constexpr int CommandLabelStep = 330;

constexpr ui::Geometry navButton(int row) { return {NavLeft, PageTop + row * NavStep, NavWidth, NavButtonHeight}; }
constexpr ui::Geometry commandLabel(int row) {
    return {NavLeft, CommandLabelsTop + row * CommandLabelStep, NavWidth - 360, 300};
}
// The Status page's rows: a caption and its value beside it.
constexpr ui::Geometry statusCaption(int row) { return {240, 1080 + row * 420, 2400, 300}; }
constexpr ui::Geometry statusValue(int row) { return {2760, 1080 + row * 420, 4200, 300}; }
// The Scan page's counters: a caption and its count beside it.
constexpr ui::Geometry counterCaption(int row) { return {240, 2640 + row * 300, 2800, 300}; }
constexpr ui::Geometry counterValue(int row) { return {3120, 2640 + row * 300, 1200, 300}; }
// The four inner frames of the Settings page, one per tab.
constexpr ui::Geometry SettingsView{240, 720, 6960, 4980};

constexpr std::string_view SettingsTabs[] = {"Scan Options", "Proactive Protection", "Schedule", "Auto Update"};
constexpr ui::ColumnDesign SummaryColumns[] = {{"Adware and Spyware Found", 6800}};
constexpr ui::ColumnDesign RemovalColumns[] = {{"Spyware/Adware Found"}, {"Location"}, {"Type"}};
constexpr ui::ColumnDesign FileColumns[] = {{"Path"}, {"Name"}};
constexpr ui::ColumnDesign RegistryColumns[] = {{"Root"}, {"Key"}, {"Value"}, {"Name"}};
constexpr ui::ColumnDesign CookieColumns[] = {{"Cookie"}};
constexpr ui::ColumnDesign NotFoundColumns[] = {{"File"}, {"Name"}};
constexpr ui::ColumnDesign DriveColumns[] = {{"Drive", 2800}};

constexpr ui::ControlDesign Controls[] = {
    // Navigation column.
    {.name = "cmdStatus", .type = CommandButton, .geometry = navButton(0), .caption = "Status"},
    {.name = "cmdScan", .type = CommandButton, .geometry = navButton(1), .caption = "Scan Now"},
    {.name = "cmdResults", .type = CommandButton, .geometry = navButton(2), .caption = "Results/Removal"},
    {.name = "cmdSettings", .type = CommandButton, .geometry = navButton(3), .caption = "Settings"},
    {.name = "cmdUpdate", .type = CommandButton, .geometry = navButton(4), .caption = "Live Update"},
    {.name = "cmdLog", .type = CommandButton, .geometry = navButton(5), .caption = "View Log"},
    {.name = "Command5", .type = CommandButton, .geometry = navButton(6), .caption = "Send to Tray"},
    {.name = "cmdWebsite", .type = CommandButton, .geometry = navButton(7), .caption = "Visit [Website]"},

    // Status page; the pages are placed by the window's layout.
    {.name = "frmStatus", .type = Frame},
    {.name = "Label22", .container = "frmStatus", .geometry = {240, 360, 6000, 420},
     .caption = "Welcome to [ProgramName]"},
    {.name = "lblDefCountCaption", .container = "frmStatus", .geometry = statusCaption(0),
     .caption = "Number of Definitions:"},
    {.name = "lblDefCount", .container = "frmStatus", .geometry = statusValue(0)},
    {.name = "lblVersionCaption", .container = "frmStatus", .geometry = statusCaption(1),
     .caption = "Program Version:"},
    {.name = "lblVersion", .container = "frmStatus", .geometry = statusValue(1)},
    {.name = "lblDefVersionCaption", .container = "frmStatus", .geometry = statusCaption(2),
     .caption = "Definitions Version:"},
    {.name = "lblDefVersion", .container = "frmStatus", .geometry = statusValue(2)},
    {.name = "lblDefRemovedCaption", .container = "frmStatus", .geometry = statusCaption(3),
     .caption = "Items Removed:"},
    {.name = "lblDefRemoved", .container = "frmStatus", .geometry = statusValue(3)},
    {.name = "lblLastScanCaption", .container = "frmStatus", .geometry = statusCaption(4), .caption = "Last Scan:"},
    {.name = "lblLastScan", .container = "frmStatus", .geometry = statusValue(4)},
    {.name = "lblLastFullScanCaption", .container = "frmStatus", .geometry = statusCaption(5),
     .caption = "Last Complete Scan:"},
    {.name = "lblLastFullScan", .container = "frmStatus", .geometry = statusValue(5)},

    // Scan page.
    {.name = "frmScan", .type = Frame, .caption = "Scan"},
    {.name = "cmdScanNow", .type = CommandButton, .container = "frmScan", .geometry = {240, 360, 1200, 420},
     .caption = "Start"},
    {.name = "cmdPause", .type = CommandButton, .container = "frmScan", .geometry = {1560, 360, 1200, 420},
     .caption = "Pause"},
    {.name = "cmdStop", .type = CommandButton, .container = "frmScan", .geometry = {2880, 360, 1200, 420},
     .caption = "Stop"},
    {.name = "lblStart", .container = "frmScan", .geometry = {4320, 420, 900, 300}, .caption = "Start"},
    {.name = "lblPause", .container = "frmScan", .geometry = {5280, 420, 900, 300}, .caption = "Pause"},
    {.name = "lblStop", .container = "frmScan", .geometry = {6240, 420, 900, 300}, .caption = "Stop"},
    {.name = "lblPhaseProgress", .container = "frmScan", .geometry = {240, 1260, 2000, 300},
     .caption = "Current Progress:"},
    {.name = "pb1", .type = ProgressBar, .container = "frmScan", .geometry = {2280, 1260, 5000, 255}},
    {.name = "lblOverallProgress", .container = "frmScan", .geometry = {240, 1620, 2000, 300},
     .caption = "Overall Progress:"},
    {.name = "pb2", .type = ProgressBar, .container = "frmScan", .geometry = {2280, 1620, 5000, 255}},
    {.name = "pbgMain", .type = ProgressBar, .container = "frmScan", .geometry = {2280, 1980, 5000, 255}},
    {.name = "lblPercentageCompleted", .container = "frmScan", .geometry = {240, 960, 7000, 300}},
    {.name = "lblStatus", .index = 0, .container = "frmScan", .geometry = {240, 2040, 7000, 540}},
    {.name = "lblMemoryInspectedCaption", .container = "frmScan", .geometry = counterCaption(0),
     .caption = "Memory Items Inspected"},
    {.name = "lblMemoryInspected", .container = "frmScan", .geometry = counterValue(0), .caption = "0"},
    {.name = "lblRegistryInspectedCaption", .container = "frmScan", .geometry = counterCaption(1),
     .caption = "Registry Entries Inspected"},
    {.name = "lblRegistryInspected", .container = "frmScan", .geometry = counterValue(1), .caption = "0"},
    {.name = "lblFilesFolderInspectedCaption", .container = "frmScan", .geometry = counterCaption(2),
     .caption = "Files/Folders Inspected"},
    {.name = "lblFilesFolderInspected", .container = "frmScan", .geometry = counterValue(2), .caption = "0"},
    {.name = "lblSoftwareFoundCaption", .container = "frmScan", .geometry = counterCaption(3),
     .caption = "Spyware/Adware Found"},
    {.name = "lblSoftwareFound", .container = "frmScan", .geometry = counterValue(3), .caption = "0"},
    {.name = "lblTotalNoOfRunningItems", .container = "frmScan", .geometry = {4440, 2640, 1200, 300}, .caption = "0"},
    {.name = "shpCircle", .type = Shape, .container = "frmScan", .geometry = {6600, 2640, 300, 300}},
    {.name = "lvwSpywareFound", .type = ListView, .container = "frmScan", .geometry = {240, 3900, 7000, 1800},
     .columns = SummaryColumns},
    {.name = "cmdRemove", .type = CommandButton, .container = "frmScan", .geometry = {240, 5820, 2400, 420},
     .caption = "Click Here to Continue"},

    // Results page.
    {.name = "frmResults", .type = Frame, .caption = "Results"},
    {.name = "lvwPicRemoveListOfSpywareFoundAndToBeRemoved", .type = ListView, .container = "frmResults",
     .geometry = {240, 780, 7000, 3900}, .columns = RemovalColumns},
    {.name = "lblRemovePicSoftwareFoundCaption", .container = "frmResults", .geometry = {240, 360, 2400, 300},
     .caption = "Spyware/Adware Found:"},
    {.name = "lblRemovePicSoftwareFound", .container = "frmResults", .geometry = {2700, 360, 900, 300},
     .caption = "0"},
    {.name = "lbltracesFoundCaption", .container = "frmResults", .geometry = {3720, 360, 1800, 300},
     .caption = "Traces Found:"},
    {.name = "lbltracesFound", .container = "frmResults", .geometry = {5580, 360, 900, 300}, .caption = "0"},
    {.name = "cmdExclude", .type = CommandButton, .container = "frmResults", .geometry = {240, 4800, 1200, 420},
     .caption = "Exclude"},
    {.name = "cmdSelectAll", .type = CommandButton, .container = "frmResults", .geometry = {1560, 4800, 1200, 420},
     .caption = "Select All"},
    {.name = "Command4", .type = CommandButton, .container = "frmResults", .geometry = {2880, 4800, 1200, 420},
     .caption = "Delete"},
    {.name = "pgbDeleteSpywaresFound", .type = ProgressBar, .container = "frmResults",
     .geometry = {240, 5640, 5000, 255}},
    {.name = "lblDeletingCaption", .container = "frmResults", .geometry = {240, 5340, 4000, 300}},
    {.name = "lblDeletingPercentageCompleted", .container = "frmResults", .geometry = {5400, 5640, 1800, 300}},

    // Hidden work lists of a scan.
    {.name = "lvwFilesToBeDeleted", .type = ListView, .columns = FileColumns},
    {.name = "lvwRegistryToBeDeleted", .type = ListView, .columns = RegistryColumns},
    {.name = "lvwCookiesToDelete", .type = ListView, .columns = CookieColumns},
    {.name = "lvwFileNotFounds", .type = ListView, .columns = NotFoundColumns},

    // Settings page: the tab strip and one inner frame per tab.
    {.name = "frmOptions", .type = Frame},
    {.name = "TabStrip1", .type = TabStrip, .container = "frmOptions", .geometry = {120, 240, 7200, 5600},
     .tabs = SettingsTabs},
    {.name = "frmView", .type = Frame, .index = 0, .container = "frmOptions", .geometry = SettingsView},
    {.name = "frmView", .type = Frame, .index = 1, .container = "frmOptions", .geometry = SettingsView},
    {.name = "frmView", .type = Frame, .index = 2, .container = "frmOptions", .geometry = SettingsView},
    {.name = "frmView", .type = Frame, .index = 3, .container = "frmOptions", .geometry = SettingsView},

    // "Scan Options".
    {.name = "chkSweepMemory", .type = CheckBox, .container = "frmView", .containerIndex = 0,
     .geometry = {120, 120, 4000, 300}, .caption = "Scan Proccesses and Files"},
    {.name = "chkScanRegistry", .type = CheckBox, .container = "frmView", .containerIndex = 0,
     .geometry = {120, 450, 4000, 300}, .caption = "Scan Windows Registry"},
    {.name = "chkScanCookies", .type = CheckBox, .container = "frmView", .containerIndex = 0,
     .geometry = {120, 780, 4000, 300}, .caption = "Scan Internet Cookies"},
    {.name = "chkMakeLog", .type = CheckBox, .container = "frmView", .containerIndex = 0,
     .geometry = {120, 1110, 4000, 300}, .caption = "Save scan results to log"},
    {.name = "chkSendData", .type = CheckBox, .container = "frmView", .containerIndex = 0,
     .geometry = {120, 1440, 6000, 300}, .caption = "Send anonymous data to help identify unknown spyware"},
    {.name = "fraScanScope", .type = Frame, .container = "frmView", .containerIndex = 0,
     .geometry = {120, 1860, 3000, 900}, .caption = "Scan Type"},
    {.name = "optScanOnlyKnownSoftwares", .type = OptionButton, .container = "fraScanScope",
     .geometry = {120, 240, 2700, 300}, .caption = "Quick Scan"},
    {.name = "optScanAllSelectedHardDrive", .type = OptionButton, .container = "fraScanScope",
     .geometry = {120, 540, 2700, 300}, .caption = "Complete System Scan"},
    {.name = "lvwHardDrives", .type = ListView, .container = "frmView", .containerIndex = 0,
     .geometry = {3240, 1860, 3000, 1800}, .columns = DriveColumns},
    {.name = "Command1", .type = CommandButton, .container = "frmView", .containerIndex = 0,
     .geometry = {120, 3900, 1500, 420}, .caption = "Scan Now"},

    // "Proactive Protection".
    {.name = "chkAutoProtect", .type = CheckBox, .container = "frmView", .containerIndex = 1,
     .geometry = {120, 120, 3000, 300}, .caption = "Enable"},
    {.name = "fraMemoryShield", .type = Frame, .container = "frmView", .containerIndex = 1,
     .geometry = {120, 480, 3200, 900}, .caption = "Memory Shield"},
    {.name = "optMemorySheildOn", .type = OptionButton, .container = "fraMemoryShield",
     .geometry = {120, 240, 2800, 300}, .caption = "Enabled"},
    {.name = "optMemorySheildOff", .type = OptionButton, .container = "fraMemoryShield",
     .geometry = {120, 540, 2800, 300}, .caption = "Disabled"},
    {.name = "chkHomePage", .type = CheckBox, .container = "frmView", .containerIndex = 1,
     .geometry = {3480, 120, 3000, 300}, .caption = "Enable"},
    {.name = "fraHomePageShield", .type = Frame, .container = "frmView", .containerIndex = 1,
     .geometry = {3480, 480, 3200, 900}, .caption = "Home Page Shield"},
    {.name = "optIEHomePageSheildOn", .type = OptionButton, .container = "fraHomePageShield",
     .geometry = {120, 240, 2800, 300}, .caption = "Enabled"},
    {.name = "optIEHomePageSheildOff", .type = OptionButton, .container = "fraHomePageShield",
     .geometry = {120, 540, 2800, 300}, .caption = "Disabled"},
    {.name = "fraRestoreChoice", .type = Frame, .container = "frmView", .containerIndex = 1,
     .geometry = {120, 1560, 6560, 900}, .caption = "When the home page changes"},
    {.name = "optAlwaysnotifybeforerestoring", .type = OptionButton, .container = "fraRestoreChoice",
     .geometry = {120, 240, 6200, 300}, .caption = "Ask me what I would like to do"},
    {.name = "optRestoredefaultwithoutnotification", .type = OptionButton, .container = "fraRestoreChoice",
     .geometry = {120, 540, 6200, 300}, .caption = "Silently restore my original home page"},
    {.name = "chkRunAtStartup", .type = CheckBox, .container = "frmView", .containerIndex = 1,
     .geometry = {120, 2640, 6500, 300}, .caption = "Run at Startup and protect my computer automatically"},

    // "Schedule".
    {.name = "chkAutomaticScanYesOrNo", .type = CheckBox, .container = "frmView", .containerIndex = 2,
     .geometry = {120, 120, 4000, 300}, .caption = "Enable Scheduled Scans"},
    {.name = "cmbDays", .type = ComboBox, .container = "frmView", .containerIndex = 2,
     .geometry = {120, 540, 2400, 315}},
    {.name = "dtpScheduleDate", .type = DatePicker, .container = "frmView", .containerIndex = 2,
     .geometry = {2640, 540, 1800, 315}},
    {.name = "dtpScheduleTime", .type = DatePicker, .container = "frmView", .containerIndex = 2,
     .geometry = {4560, 540, 1800, 315}},
    {.name = "chkAutoDel", .type = CheckBox, .container = "frmView", .containerIndex = 2,
     .geometry = {120, 1020, 6000, 300}, .caption = "Remove found items after a scheduled scan"},
    {.name = "CmdProceed", .type = CommandButton, .container = "frmView", .containerIndex = 2,
     .geometry = {120, 1500, 1200, 420}, .caption = "Apply"},
    {.name = "cmdDefaultSetting", .type = CommandButton, .container = "frmView", .containerIndex = 2,
     .geometry = {1440, 1500, 1200, 420}, .caption = "Reset"},

    // "Auto Update".
    {.name = "chkAutomaticUpdate", .type = CheckBox, .container = "frmView", .containerIndex = 3,
     .geometry = {120, 120, 5000, 300}, .caption = "Enable automatic Live update (recommended)"},
    {.name = "lblLastUpdate", .container = "frmView", .containerIndex = 3, .geometry = {120, 540, 6500, 300}},
    {.name = "cmdLiveUpdate", .type = CommandButton, .container = "frmView", .containerIndex = 3,
     .geometry = {120, 960, 2400, 420}, .caption = "Run Live Update Now"},
    {.name = "txtFilename", .type = TextBox, .container = "frmView", .containerIndex = 3,
     .geometry = {120, 1680, 4200, 315}},
    {.name = "Command2", .type = CommandButton, .container = "frmView", .containerIndex = 3,
     .geometry = {4440, 1650, 1000, 375}, .caption = "Browse"},
    {.name = "cmdSubmit", .type = CommandButton, .container = "frmView", .containerIndex = 3,
     .geometry = {5520, 1650, 1000, 375}, .caption = "Submit"},
    {.name = "lblSubmitResult", .container = "frmView", .containerIndex = 3, .geometry = {120, 2100, 6400, 600}},

    // Command labels outside the pages.
    {.name = "lblViewLogFile", .geometry = commandLabel(0), .caption = "Show Report"},
    {.name = "lblHide", .geometry = {NavLeft + NavWidth - 240, CommandLabelsTop, 240, 300}, .caption = "X"},
    {.name = "lblSweepNow", .geometry = commandLabel(1), .caption = "Sweep Now"},
    {.name = "lblResult", .geometry = commandLabel(2), .caption = "Result"},
    {.name = "lblRemove", .geometry = commandLabel(3), .caption = "Remove"},
    {.name = "lblOptions", .geometry = commandLabel(4), .caption = "Options"},
    {.name = "lblExit", .geometry = commandLabel(5), .caption = "Exit"},

    // Menu bar.
    {.name = "mnuFile", .type = Menu, .caption = "File"},
    {.name = "mnuSettings", .type = Menu, .caption = "Settings"},
    {.name = "mnuQuarantine", .type = Menu, .caption = "Quarantine"},
    {.name = "mnuHelp", .type = Menu, .caption = "Help"},
    {.name = "mnuViewHelp", .type = Menu, .container = "mnuHelp", .caption = "View Help"},
    {.name = "mnuAbout", .type = Menu, .caption = "About"},
    {.name = "mnuAboutThisSoftware", .type = Menu, .container = "mnuAbout", .caption = "About this software"},

    // Timers, off until the load arms them.
    {.name = "tmrScheduler", .type = Timer},
    {.name = "tmrCheckHomePage", .type = Timer},
    {.name = "tmrMemoryInspected", .type = Timer},
    {.name = "timUpdate", .type = Timer},
    {.name = "tmrScroll", .type = Timer},

    // The menus' items, after the timers: "Roll Back Definitions" came below "Run Live Update"
    // later, and "Language..." after the tabs' items, each under its own name.
    {.name = "mnuFileItem", .type = Menu, .index = 0, .container = "mnuFile", .caption = "Scan Now"},
    {.name = "mnuFileItem", .type = Menu, .index = 1, .container = "mnuFile", .caption = "Scan Results"},
    {.name = "mnuFileItem", .type = Menu, .index = 2, .container = "mnuFile", .caption = "View Log"},
    {.name = "mnuFileItem", .type = Menu, .index = 3, .container = "mnuFile", .caption = "-"},
    {.name = "mnuFileItem", .type = Menu, .index = 4, .container = "mnuFile", .caption = "Run Live Update"},
    {.name = "mnuRollBack", .type = Menu, .container = "mnuFile", .caption = "Roll Back Definitions"},
    {.name = "mnuFileItem", .type = Menu, .index = 5, .container = "mnuFile", .caption = "-"},
    {.name = "mnuFileItem", .type = Menu, .index = 6, .container = "mnuFile", .caption = "Minimize to Tray"},
    {.name = "mnuFileItem", .type = Menu, .index = 7, .container = "mnuFile", .caption = "-"},
    {.name = "mnuFileItem", .type = Menu, .index = 8, .container = "mnuFile", .caption = "Exit"},
    {.name = "mnuSettingsItem", .type = Menu, .index = 0, .container = "mnuSettings", .caption = SettingsTabs[0]},
    {.name = "mnuSettingsItem", .type = Menu, .index = 1, .container = "mnuSettings", .caption = SettingsTabs[1]},
    {.name = "mnuSettingsItem", .type = Menu, .index = 2, .container = "mnuSettings", .caption = SettingsTabs[2]},
    {.name = "mnuSettingsItem", .type = Menu, .index = 3, .container = "mnuSettings", .caption = SettingsTabs[3]},
    {.name = "mnuSettingsSeparator", .type = Menu, .container = "mnuSettings", .caption = "-"},
    {.name = "mnuLanguage", .type = Menu, .container = "mnuSettings", .caption = "Language..."},
    {.name = "mnuQuarItem", .type = Menu, .index = 0, .container = "mnuQuarantine", .caption = "View Quarantine"},
    {.name = "mnuQuarItem", .type = Menu, .index = 1, .container = "mnuQuarantine", .caption = "View Exclusions"},
};

}  // namespace

const ui::FormLayout FrmMainLayout{"FrmMain", Controls};

}  // namespace sorvane::app
