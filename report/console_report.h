#pragma once
#include <ostream>
#include <string_view>

#include "report/scan_report.h"
#include "scan/console_scan.h"

namespace sorvane::report {

// The console's scans leave the same report as the main window's when "Save scan results
// to log" is on; `written` keeps how the last one went, for the command to report.
void InstallConsoleReport(scan::ConsoleScan& scan, ReportWrite& written);

// False, after saying on standard error why, when the report could not be written.
bool ReportWritten(const ReportWrite& written, const app::Application& application, std::string_view command,
                   std::ostream& err);

}  // namespace sorvane::report
