#include "report/console_report.h"

#include "report/scan_report.h"

namespace sorvane::report {

void InstallConsoleReport(scan::ConsoleScan& scan) {
    scan.session.hooks.makeReport = [&scan] { MakeReport(scan.session, scan.application.branding); };
}

}  // namespace sorvane::report
