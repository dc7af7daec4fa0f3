#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "localization/branding.h"
#include "platform/file_system.h"
#include "platform/locale.h"
#include "scan/scan_session.h"

namespace sorvane::report {

// The report of the last scan, beside the program; there is only ever one.
inline constexpr std::string_view ReportFile = "Scan_Log.txt";
// The same scan as the console's JSON document with its times, for tools that keep a history.
inline constexpr std::string_view ReportJsonFile = "Scan_Log.json";

// What the report says about one scan, as the main window shows it.
struct ReportFacts {
    std::string productName;
    int versionMajor = 0;
    int versionMinor = 0;
    std::string scanStartTime;
    std::string scanEndTime;
    // The captions of the three counter labels, as they stand when the report is written.
    std::string memoryInspected;
    std::string registryInspected;
    std::string filesFoldersInspected;
    // Each row of the removal list: its text and its location.
    std::vector<std::pair<std::string, std::string>> threats;
};

ReportFacts FactsOf(const scan::ScanSession& session, const localization::Branding& branding);

// Every line of the exclusion file that is neither empty nor a single blank, each with CR LF.
std::string ExclusionText(std::string_view fileText);
// Every line of the quarantine log followed by two line ends.
std::string QuarantineText(std::string_view fileText);
// The whole report, UTF-8 with CR LF line ends.
std::string ComposeReport(const ReportFacts& facts, std::string_view exclusionText, std::string_view quarantineText);

// Why a report file could not be written: the system's answer and the file; ok when it was.
struct [[nodiscard]] ReportWrite {
    platform::Status status;
    std::string path;
    bool ok() const { return status.ok(); }
};

// Writes the report file, replacing the old one whole, from the exclusion file and the
// quarantine log as they are now; a missing file leaves its section out.
ReportWrite WriteReport(platform::FileSystem& files, platform::Locale& locale, std::string_view applicationFolder,
                        const ReportFacts& facts);

// The report and its JSON twin after a scan; the first that could not be written.
ReportWrite MakeReport(scan::ScanSession& session, const localization::Branding& branding);

// What the user reads when the report could not be saved: the catalogue's words, the file and
// the cause.
std::string ReportUnsavedText(const ReportWrite& failure, const std::function<std::string(std::string_view)>& message);

// Where the report files live.
std::string ReportPath(std::string_view applicationFolder);
std::string ReportJsonPath(std::string_view applicationFolder);

}  // namespace sorvane::report
