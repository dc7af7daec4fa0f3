#include "report/report_feature.h"

#include "app/frm_main.h"
#include "report/scan_report.h"

namespace sorvane::report {

ReportFeature::ReportFeature(app::Application& app, scan::MainWindowScan& scan)
    : app_(app), scan_(scan), frmReport_(std::make_unique<FrmReport>(app)) {
    app_.registerWindow(*frmReport_);
    scan_.extraHooks.makeReport = [this] {
        auto* session = scan_.current();
        if (session == nullptr) return;
        if (const ReportWrite written = MakeReport(*session, app_.branding); !written.ok()) {
            const auto message = [this](std::string_view key) { return app_.message(key); };
            (void)app_.host.messageBox(ReportUnsavedText(written, message), app_.branding.ProgramName,
                                       ui::mb::Exclamation);
        }
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
