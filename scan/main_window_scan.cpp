#include "scan/main_window_scan.h"

#include "app/frm_main.h"
#include "scan/drive_list.h"
#include "scan/scan_driver.h"

namespace sorvane::scan {

AppAccess AppAccessOf(app::Application& application) {
    AppAccess access;
    access.message = [&application](std::string_view key) { return application.message(key); };
    access.readSetting = [&application](std::string_view section, std::string_view key, std::string_view fallback) {
        return application.userSettings.read(section, key, fallback);
    };
    access.writeSetting = [&application](std::string_view section, std::string_view key, std::string_view value) {
        application.userSettings.write(section, key, value);
    };
    access.productName = [&application] { return application.branding.ProgramName; };
    access.definitionCounts = [&application] { return application.definitionCounts; };
    return access;
}

MainWindowScan::MainWindowScan(app::Application& application, definitions::ExclusionList& exclusions)
    : app_(application), exclusions_(exclusions) {}

ScanSession& MainWindowScan::session(app::FrmMain& window) {
    if (!session_) {
        ScanHooks hooks = extraHooks;
        hooks.armBackgroundTimers = [&window](bool on) { window.ArmBackgroundTimers(on); };
        hooks.checkDefinitionFiles = [&window] { return window.CheckDefinitionFiles(); };
        hooks.refreshStatusPanel = [&window] { window.RefreshStatusPanel(); };
        if (!hooks.startDataSubmission && app_.hooks.submitScanData)
            hooks.startDataSubmission = [this, &window] { app_.hooks.submitScanData(window); };
        if (!hooks.removeCheckedItems && app_.hooks.removeChecked)
            hooks.removeCheckedItems = [this, &window] { app_.hooks.removeChecked(window); };
        if (!hooks.hideDeleteWindow)
            hooks.hideDeleteWindow = [this] {
                // A new scan starts with no problems of an earlier removal left in the list.
                if (auto* form = app_.window("frmDelete")) {
                    form->hide();
                    if (auto* problems = form->findAs<ui::ListView>("lstProblem")) problems->clear();
                }
            };
        session_ = std::make_unique<ScanSession>(app_.platform, app_.host, *ScanView::bind(window), exclusions_,
                                                 AppAccessOf(app_), std::move(hooks), app_.applicationFolder());
    }
    return *session_;
}

void MainWindowScan::install(app::MainWindowHooks& hooks) {
    hooks.scanNow = [this](app::FrmMain& window) {
        auto& s = session(window);
        cmdScanNow_Click(s);
        app_.ScanStartTime = s.state.scanStartTime;
        app_.ScanEndTime = s.state.scanEndTime;
    };
    hooks.pauseScan = [this](app::FrmMain& window) { cmdPause_Click(session(window)); };
    hooks.stopScan = [this](app::FrmMain& window) { cmdStop_Click(session(window)); };
    hooks.pauseScanByLabel = [this](app::FrmMain& window) { lblPause_Click(session(window)); };
    hooks.stopScanByLabel = [this](app::FrmMain& window) { lblStop_Click(session(window)); };
    hooks.selectAll = [this](app::FrmMain& window) { cmdSelectAll_Click(session(window)); };
    hooks.syncWorkListChecks = [this](app::FrmMain& window, std::size_t row) {
        SyncWorkListChecks(session(window), row);
    };
    hooks.fillDriveList = [this](app::FrmMain& window) {
        FillDriveList(window.lvwHardDrives, app_.platform.files);
    };
    hooks.loadDriveTicks = [this](app::FrmMain& window) {
        LoadDriveTicks(window.lvwHardDrives, AppAccessOf(app_).readSetting);
    };
    hooks.driveRowChecked = [this](app::FrmMain& window, std::size_t) {
        SaveDriveTicks(window.lvwHardDrives, [this](std::string_view section, std::string_view key,
                                                     std::string_view value) {
            app_.userSettings.write(section, key, value);
        });
    };
}

}  // namespace sorvane::scan
