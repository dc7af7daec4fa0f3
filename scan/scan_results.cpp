#include "scan/scan_results.h"

#include <nlohmann/json.hpp>

#include "definitions/records.h"

namespace sorvane::scan {

namespace {

// The hive name of a work row's root, written as its handle number.
std::string hiveName(const std::string& handleText) {
    auto root = definitions::HiveFromHandleText(handleText);
    return root ? std::string(definitions::CurrentHiveName(*root)) : handleText;
}

}  // namespace

nlohmann::ordered_json ScanResultsDocument(const ScanSession& session) {
    const auto& view = session.view;
    const auto& state = session.state;
    using Json = nlohmann::ordered_json;
    Json document = Json::object();
    Json& summary = document["summary"] = Json::array();
    for (const auto& row : view.lvwSpywareFound.items()) summary.push_back({{"text", row.text}, {"icon", row.smallIcon}});
    Json& results = document["results"] = Json::array();
    for (const auto& row : view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items())
        results.push_back({{"text", row.text},
                           {"location", row.subItem(1)},
                           {"note", row.subItem(2)},
                           {"icon", row.smallIcon},
                           {"checked", row.checked}});
    Json& work = document["work"] = Json::object();
    Json& files = work["files"] = Json::array();
    for (const auto& row : view.lvwFilesToBeDeleted.items())
        files.push_back({{"path", row.text}, {"threat", row.subItem(1)}});
    Json& registry = work["registry"] = Json::array();
    for (const auto& row : view.lvwRegistryToBeDeleted.items())
        registry.push_back({{"root", hiveName(row.text)},
                            {"key", row.subItem(1)},
                            {"value", row.subItem(2)},
                            {"threat", row.subItem(3)}});
    Json& cookies = work["cookies"] = Json::array();
    for (const auto& row : view.lvwCookiesToDelete.items()) cookies.push_back(row.text);
    document["counters"] = {{"memory", state.memoryInspected},
                            {"registry", state.registryInspected},
                            {"filesFolders", state.filesFoldersInspected},
                            {"threats", state.threatsFound},
                            {"traces", session.tracesShown()}};
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
    const auto& view = session.view;
    const auto& state = session.state;
    std::string out;
    for (const auto& row : view.lvwSpywareFound.items()) out += row.text + "\n";
    if (!view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.empty()) out += "\nTo remove:\n";
    for (const auto& row : view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items()) {
        out += "  " + row.text + "\t" + row.subItem(1);
        if (!row.subItem(2).empty()) out += "\t" + row.subItem(2);
        out += "\n";
    }
    const bool traces = !view.lvwFilesToBeDeleted.empty() || !view.lvwRegistryToBeDeleted.empty() ||
                        !view.lvwCookiesToDelete.empty();
    if (traces) out += "\nTraces:\n";
    for (const auto& row : view.lvwFilesToBeDeleted.items()) out += "  " + row.text + "\t" + row.subItem(1) + "\n";
    for (const auto& row : view.lvwRegistryToBeDeleted.items())
        out += "  " + hiveName(row.text) + "\\" + row.subItem(1) +
               (row.subItem(2).empty() ? std::string() : "\\" + row.subItem(2)) + "\t" + row.subItem(3) + "\n";
    for (const auto& row : view.lvwCookiesToDelete.items()) out += "  " + row.text + "\n";
    out += "\nProcesses inspected: " + std::to_string(state.memoryInspected) +
           "\nRegistry entries inspected: " + std::to_string(state.registryInspected) +
           "\nFiles/folders inspected: " + std::to_string(state.filesFoldersInspected) +
           "\nThreats found: " + std::to_string(state.threatsFound) +
           "\nTraces found: " + std::to_string(session.tracesShown()) + "\n";
    if (state.stopRequested) out += "The scan was stopped.\n";
    return out;
}

}  // namespace sorvane::scan
