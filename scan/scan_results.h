#pragma once
#include <string>

#include "scan/scan_session.h"

namespace sorvane::scan {

// The results of the last scan as one JSON object: summary, removal rows, work lists,
// the true counters and whether the scan was stopped.
std::string ScanResultsJson(const ScanSession& session);
// The same as plain lines for a reader.
std::string ScanResultsText(const ScanSession& session);

}  // namespace sorvane::scan
