#include "report/scan_report.h"

#include <nlohmann/json.hpp>

#include "app/definition_files.h"
#include "definitions/exclusions.h"
#include "platform/limits.h"
#include "platform/text.h"
#include "platform/write_failure.h"
#include "app/quarantine_folder.h"
#include "scan/scan_results.h"

namespace sorvane::report {

namespace {

constexpr std::string_view CrLf = "\r\n";

// The text of an ANSI file as UTF-8; empty when it is missing, a folder or too large.
bool readAnsiFile(platform::FileSystem& files, platform::Locale& locale, const std::string& path, std::string& text) {
    const auto entry = files.lookup(path);
    if (!entry || entry->isFolder() || entry->size > limits::MaxTextFile) return false;
    std::string bytes;
    if (!files.readFile(path, bytes).ok()) return false;
    text = locale.fromAnsi(bytes);
    return true;
}

// Replaces a file whole: written beside, then moved over in one step, so that a failed
// write or a crash leaves the previous file or the new one, never half of one.
ReportWrite replaceFile(platform::FileSystem& files, const std::string& path, std::string_view bytes) {
    const std::string beside = path + ".new";
    platform::Status status = files.writeFileFlushed(beside, bytes);
    if (status.ok()) status = files.replaceFile(beside, path);
    if (!status.ok()) (void)files.deleteFile(beside);
    return {status, path};
}

}  // namespace

std::string ReportPath(std::string_view applicationFolder) { return platform::JoinPath(applicationFolder, ReportFile); }
std::string ReportJsonPath(std::string_view applicationFolder) {
    return platform::JoinPath(applicationFolder, ReportJsonFile);
}

ReportFacts FactsOf(const scan::ScanSession& session, const localization::Branding& branding) {
    ReportFacts facts;
    facts.productName = branding.ProgramName;
    facts.versionMajor = branding.versionMajor;
    facts.versionMinor = branding.versionMinor;
    facts.scanStartTime = session.state.scanStartTime;
    facts.scanEndTime = session.state.scanEndTime;
    // The figures the window shows at the end of a scan: a phase the settings switched off
    // says so instead.
    const auto& state = session.state;
    const auto figure = [&session](bool phaseOn, std::int32_t count) {
        return phaseOn ? std::to_string(count) : session.message("MSG_NOTSELECED");
    };
    facts.memoryInspected = figure(state.memoryPhaseOn, state.memoryInspected);
    facts.registryInspected = figure(state.registryPhaseOn, state.registryInspected);
    facts.filesFoldersInspected = std::to_string(state.filesFoldersInspected);
    for (const auto& finding : session.findings)
        if (finding.removal) facts.threats.emplace_back(finding.removal->text, finding.removal->location);
    return facts;
}

std::string ExclusionText(std::string_view fileText) {
    std::string out;
    for (const auto& line : text::lines(fileText)) {
        if (line.empty() || line == " ") continue;
        out += line;
        out += CrLf;
    }
    return out;
}

std::string QuarantineText(std::string_view fileText) {
    std::string out;
    for (const auto& line : text::lines(fileText)) {
        out += line;
        out += CrLf;
        out += CrLf;
    }
    return out;
}

std::string ComposeReport(const ReportFacts& facts, std::string_view exclusionText, std::string_view quarantineText) {
    std::string out;
    // Each print writes its text and one more line end.
    auto print = [&out](std::string_view printed) {
        out += printed;
        out += CrLf;
    };
    const std::string crlf(CrLf);
    const std::string rule = "-----------------------" + crlf;
    print(crlf);
    print(std::string(19, ' ') + facts.productName + "v" + std::to_string(facts.versionMajor) + "." +
          std::to_string(facts.versionMinor) + "   Scan Report." + crlf);
    print(crlf);
    print(rule);
    print(" Scan Started at  : " + facts.scanStartTime + crlf);
    print(" Scan Finished at : " + facts.scanEndTime + crlf);
    print(rule);
    for (int i = 0; i < 3; ++i) print(crlf);
    print(" 1)Total Number of Cookies and Processes inspected: " + facts.memoryInspected + crlf);
    print(" 2)Total Number of Registry entries inspected: " + facts.registryInspected + crlf);
    print(" 3)Total Number of Files/Folders inspected: " + facts.filesFoldersInspected + crlf);
    print(crlf);
    print("[Threats Detected]" + crlf + crlf);
    for (const auto& [threat, location] : facts.threats) {
        print(threat + crlf);
        print(location + crlf + crlf);
    }
    print("Total = " + std::to_string(facts.threats.size()) + crlf);
    if (!exclusionText.empty()) print(crlf + "[Files Currently Excluded]" + crlf + crlf + std::string(exclusionText) + crlf);
    if (!quarantineText.empty())
        print(crlf + "[Current Quarantine Log]" + crlf + crlf + std::string(quarantineText) + crlf + crlf);
    print(crlf);
    print("=====================End Of Report.");
    return out;
}

ReportWrite WriteReport(platform::FileSystem& files, platform::Locale& locale, std::string_view applicationFolder,
                        const ReportFacts& facts) {
    std::string quarantine;
    std::string exclusions;
    if (readAnsiFile(files, locale, app::QuarantineFolderOf(applicationFolder) + "\\QuarantineLog.txt", quarantine))
        quarantine = QuarantineText(quarantine);
    if (readAnsiFile(files, locale, platform::JoinPath(applicationFolder, definitions::ExclusionFile), exclusions))
        exclusions = ExclusionText(exclusions);
    return replaceFile(files, ReportPath(applicationFolder), locale.toAnsi(ComposeReport(facts, exclusions, quarantine)));
}

ReportWrite MakeReport(scan::ScanSession& session, const localization::Branding& branding) {
    const auto facts = FactsOf(session, branding);
    const ReportWrite text = WriteReport(session.os.files, session.os.locale, session.applicationFolder, facts);
    auto document = scan::ScanResultsDocument(session);
    document["started"] = facts.scanStartTime;
    document["finished"] = facts.scanEndTime;
    const ReportWrite json = replaceFile(session.os.files, ReportJsonPath(session.applicationFolder), scan::JsonText(document));
    return text.ok() ? json : text;
}

std::string ReportUnsavedText(const ReportWrite& failure, const std::function<std::string(std::string_view)>& message) {
    return message("MSG_REPORT_UNSAVED") + "\r\n" + failure.path + ": " +
           platform::WriteFailureCause(failure.status.code(), message);
}

}  // namespace sorvane::report
