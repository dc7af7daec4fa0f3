#pragma once
#include <nlohmann/json_fwd.hpp>
#include <string>

#include "scan/scan_session.h"

namespace sorvane::scan {

// The results of the last scan as one JSON object: summary, removal rows, work lists,
// the true counters and whether the scan was stopped.
std::string ScanResultsJson(const ScanSession& session);
// The same object as a document, for callers that add members of their own.
nlohmann::ordered_json ScanResultsDocument(const ScanSession& session);
// A document as one line of JSON text with its line end.
std::string JsonText(const nlohmann::ordered_json& document);
// The same as plain lines for a reader.
std::string ScanResultsText(const ScanSession& session);

}  // namespace sorvane::scan
