#pragma once
#include <memory>

#include "app/application.h"
#include "report/frm_report.h"
#include "scan/main_window_scan.h"

namespace sorvane::app {
class FrmMain;
}

namespace sorvane::report {

// The scan report as the main window reaches it: written at the end of every scan when
// "Save scan results to log" is checked, and shown by "View Log" and "Show Report".
class ReportFeature {
public:
    ReportFeature(app::Application& app, scan::MainWindowScan& scan);

    void install(app::MainWindowHooks& hooks);
    // "View Log" and "Show Report": the viewer, modal, with "Show Report" disabled meanwhile.
    void cmdLog_Click(app::FrmMain& main);
    FrmReport& viewer() { return *frmReport_; }

private:
    app::Application& app_;
    scan::MainWindowScan& scan_;
    std::unique_ptr<FrmReport> frmReport_;
};

}  // namespace sorvane::report
