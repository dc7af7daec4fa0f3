#include "scan/scan_results.h"

#include <nlohmann/json.hpp>

#include "definitions/records.h"

namespace sorvane::scan {

namespace {

// The hive's name ("HKEY_LOCAL_MACHINE"); its handle number when it has none.
std::string hiveName(platform::RootKey root) {
    const auto name = definitions::CurrentHiveName(root);
    return name.empty() ? definitions::HiveHandleText(root) : std::string(name);
}

bool isFileTrace(const Finding& f) {
    return f.trace && (f.kind == FindingKind::File || f.kind == FindingKind::Folder);
}
bool isRegistryTrace(const Finding& f) { return f.trace && f.isRegistry(); }
bool isCookieTrace(const Finding& f) { return f.trace && f.kind == FindingKind::Cookie; }

std::int32_t tracesOf(const ScanSession& session) { return static_cast<std::int32_t>(session.findings.traces()); }

}  // namespace

nlohmann::ordered_json ScanResultsDocument(const ScanSession& session) {
    const auto& findings = session.findings;
    const auto& state = session.state;
    using Json = nlohmann::ordered_json;
    Json document = Json::object();
    Json& summary = document["summary"] = Json::array();
    for (const auto& f : findings)
        if (f.summary) summary.push_back({{"text", f.summary->text}, {"icon", f.summary->icon}});
    Json& results = document["results"] = Json::array();
    // A scan's findings are not chosen for removal yet: the member stays for the readers of the report.
    for (const auto& f : findings)
        if (f.removal)
            results.push_back({{"text", f.removal->text},
                               {"location", f.removal->location},
                               {"note", f.removal->note},
                               {"icon", f.removal->icon},
                               {"checked", false}});
    Json& work = document["work"] = Json::object();
    Json& files = work["files"] = Json::array();
    for (const auto& f : findings)
        if (isFileTrace(f)) files.push_back({{"path", f.path}, {"threat", f.threat}});
    Json& registry = work["registry"] = Json::array();
    for (const auto& f : findings)
        if (isRegistryTrace(f))
            registry.push_back({{"root", hiveName(f.registry.root)},
                                {"key", f.registry.key},
                                {"value", f.registry.value},
                                {"threat", f.threat}});
    Json& cookies = work["cookies"] = Json::array();
    for (const auto& f : findings)
        if (isCookieTrace(f)) cookies.push_back(f.path);
    document["counters"] = {{"memory", state.memoryInspected},
                            {"registry", state.registryInspected},
                            {"filesFolders", state.filesFoldersInspected},
                            {"threats", state.threatsFound},
                            {"traces", tracesOf(session)}};
    document["stopped"] = state.stopRequested;
    return document;
}

std::string JsonText(const nlohmann::ordered_json& document) {
    // Names and paths come from the machine and need not be valid UTF-8: such bytes
    // become U+FFFD, so that the output is always valid JSON.
    return document.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string ScanResultsJson(const ScanSession& session) { return JsonText(ScanResultsDocument(session)); }

std::string ScanResultsText(const ScanSession& session) {
    const auto& findings = session.findings;
    const auto& state = session.state;
    std::string out;
    for (const auto& f : findings)
        if (f.summary) out += f.summary->text + "\n";
    if (findings.anyRemovalRow()) out += "\nTo remove:\n";
    for (const auto& f : findings) {
        if (!f.removal) continue;
        out += "  " + f.removal->text + "\t" + f.removal->location;
        if (!f.removal->note.empty()) out += "\t" + f.removal->note;
        out += "\n";
    }
    if (findings.traces() > 0) out += "\nTraces:\n";
    for (const auto& f : findings)
        if (isFileTrace(f)) out += "  " + f.path + "\t" + f.threat + "\n";
    for (const auto& f : findings)
        if (isRegistryTrace(f))
            out += "  " + hiveName(f.registry.root) + "\\" + f.registry.key +
                   (f.registry.value.empty() ? std::string() : "\\" + f.registry.value) + "\t" + f.threat + "\n";
    for (const auto& f : findings)
        if (isCookieTrace(f)) out += "  " + f.path + "\n";
    out += "\nProcesses inspected: " + std::to_string(state.memoryInspected) +
           "\nRegistry entries inspected: " + std::to_string(state.registryInspected) +
           "\nFiles/folders inspected: " + std::to_string(state.filesFoldersInspected) +
           "\nThreats found: " + std::to_string(state.threatsFound) +
           "\nTraces found: " + std::to_string(tracesOf(session)) + "\n";
    if (state.stopRequested) out += "The scan was stopped.\n";
    return out;
}

}  // namespace sorvane::scan
