#include "report/report_feature.h"

#include "app/frm_main.h"
#include "report/scan_report.h"

namespace sorvane::report {

ReportFeature::ReportFeature(app::Application& app, scan::MainWindowScan& scan)
    : app_(app), scan_(scan), frmReport_(std::make_unique<FrmReport>(app)) {
    app_.registerWindow(*frmReport_);
    scan_.extraHooks.makeReport = [this] {
        if (auto* session = scan_.current()) MakeReport(*session, app_.branding);
    };
}

void ReportFeature::install(app::MainWindowHooks& hooks) {
    hooks.viewReport = [this](app::FrmMain& main) { cmdLog_Click(main); };
}

void ReportFeature::cmdLog_Click(app::FrmMain& main) {
    main.lblViewLogFile.setEnabled(false);
    frmReport_->show(true);
    main.lblViewLogFile.setEnabled(true);
}

}  // namespace sorvane::report
