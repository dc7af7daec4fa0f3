#include "report/console_report.h"

#include "platform/text.h"
#include "report/scan_report.h"

namespace sorvane::report {

void InstallConsoleReport(scan::ConsoleScan& scan, ReportWrite& written) {
    scan.session.hooks.makeReport = [&scan, &written] { written = MakeReport(scan.session, scan.application.branding); };
}

bool ReportWritten(const ReportWrite& written, const app::Application& application, std::string_view command,
                   std::ostream& err) {
    if (written.ok()) return true;
    const auto message = [&application](std::string_view key) { return application.message(key); };
    err << "SorvaneCmd " << command << ": " << text::replaceAll(ReportUnsavedText(written, message), "\r\n", " ") << "\n";
    return false;
}

}  // namespace sorvane::report
