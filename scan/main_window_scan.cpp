#include "scan/main_window_scan.h"

#include "app/frm_main.h"
#include "scan/drive_list.h"
#include "scan/results_page.h"
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

namespace {

// The main window's observer: its controls as ScanViewObserver fills them, and around a scan
// the window's own work: no background timer and no earlier removal's problems while it runs,
// the status panel brought up to date once it is over.
class MainWindowObserver : public ScanViewObserver {
public:
    MainWindowObserver(ScanView& view, app::Application& application, app::FrmMain& window)
        : ScanViewObserver(view, application.host), app_(application), window_(window) {}

    void scanStarted() override {
        // A new scan starts with no problems of an earlier removal left in the list.
        if (auto* form = app_.window("frmDelete")) {
            form->hide();
            if (auto* problems = form->findAs<ui::ListView>("lstProblem")) problems->clear();
        }
        window_.ArmBackgroundTimers(false);
        ScanViewObserver::scanStarted();
    }
    void scanClosed() override {
        ScanViewObserver::scanClosed();
        window_.ArmBackgroundTimers(true);
        window_.RefreshStatusPanel();
    }

private:
    app::Application& app_;
    app::FrmMain& window_;
};

}  // namespace

MainWindowScan::MainWindowScan(app::Application& application, definitions::ExclusionList& exclusions)
    : app_(application), exclusions_(exclusions) {}

ScanSession& MainWindowScan::session(app::FrmMain& window) {
    if (!session_) {
        ScanHooks hooks = extraHooks;
        hooks.checkDefinitionFiles = [&window] { return window.CheckDefinitionFiles(); };
        if (!hooks.startDataSubmission && app_.hooks.submitScanData)
            hooks.startDataSubmission = [this, &window] { app_.hooks.submitScanData(window); };
        // The scheduled scan's removal: the Results page with every row checked, then the run.
        hooks.removeCheckedItems = [this, &window] {
            cmdRemove_Click(*session_, *view_);
            cmdSelectAll_Click(*view_);
            if (app_.hooks.removeChecked) app_.hooks.removeChecked(window);
        };
        view_.emplace(*ScanView::bind(window));
        observer_ = std::make_unique<MainWindowObserver>(*view_, app_, window);
        session_ = std::make_unique<ScanSession>(app_.platform, app_.host, *observer_, exclusions_,
                                                 AppAccessOf(app_), std::move(hooks), app_.applicationFolder());
    }
    return *session_;
}

ScanView& MainWindowScan::view(app::FrmMain& window) {
    session(window);
    return *view_;
}

void MainWindowScan::install(app::MainWindowHooks& hooks) {
    hooks.scanNow = [this](app::FrmMain& window) {
        auto& s = session(window);
        s.choices = ChoicesOf(*view_);
        cmdScanNow_Click(s);
        app_.ScanStartTime = s.state.scanStartTime;
        app_.ScanEndTime = s.state.scanEndTime;
    };
    hooks.pauseScan = [this](app::FrmMain& window) { cmdPause_Click(session(window), view(window)); };
    hooks.stopScan = [this](app::FrmMain& window) { cmdStop_Click(session(window)); };
    hooks.pauseScanByLabel = [this](app::FrmMain& window) { lblPause_Click(session(window), view(window)); };
    hooks.stopScanByLabel = [this](app::FrmMain& window) { lblStop_Click(session(window)); };
    hooks.selectAll = [this](app::FrmMain& window) { cmdSelectAll_Click(view(window)); };
    hooks.syncWorkListChecks = [this](app::FrmMain& window, std::size_t row) { SyncWorkListChecks(view(window), row); };
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
