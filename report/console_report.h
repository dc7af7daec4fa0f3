#pragma once
#include "scan/console_scan.h"

namespace sorvane::report {

// The console's scans leave the same report as the main window's when "Save scan results
// to log" is on.
void InstallConsoleReport(scan::ConsoleScan& scan);

}  // namespace sorvane::report
