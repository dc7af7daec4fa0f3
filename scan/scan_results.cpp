#include "scan/scan_results.h"

#include "definitions/records.h"
#include "scan/json_writer.h"

namespace sorvane::scan {

namespace {

// The hive name of a work row's root, written as its handle number.
std::string hiveName(const std::string& handleText) {
    auto root = definitions::HiveFromHandleText(handleText);
    return root ? std::string(definitions::CurrentHiveName(*root)) : handleText;
}

}  // namespace

std::string ScanResultsJson(const ScanSession& session) {
    const auto& view = session.view;
    const auto& state = session.state;
    JsonWriter json;
    json.beginObject();
    json.key("summary").beginArray();
    for (const auto& row : view.lvwSpywareFound.items())
        json.beginObject().key("text").value(row.text).key("icon").value(row.smallIcon).endObject();
    json.endArray();
    json.key("results").beginArray();
    for (const auto& row : view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.items())
        json.beginObject()
            .key("text").value(row.text)
            .key("location").value(row.subItem(1))
            .key("note").value(row.subItem(2))
            .key("icon").value(row.smallIcon)
            .key("checked").value(row.checked)
            .endObject();
    json.endArray();
    json.key("work").beginObject();
    json.key("files").beginArray();
    for (const auto& row : view.lvwFilesToBeDeleted.items())
        json.beginObject().key("path").value(row.text).key("threat").value(row.subItem(1)).endObject();
    json.endArray();
    json.key("registry").beginArray();
    for (const auto& row : view.lvwRegistryToBeDeleted.items())
        json.beginObject()
            .key("root").value(hiveName(row.text))
            .key("key").value(row.subItem(1))
            .key("value").value(row.subItem(2))
            .key("threat").value(row.subItem(3))
            .endObject();
    json.endArray();
    json.key("cookies").beginArray();
    for (const auto& row : view.lvwCookiesToDelete.items()) json.value(row.text);
    json.endArray();
    json.endObject();
    json.key("counters").beginObject()
        .key("memory").value(state.memoryInspected)
        .key("registry").value(state.registryInspected)
        .key("filesFolders").value(state.filesFoldersInspected)
        .key("threats").value(state.threatsFound)
        .key("traces").value(session.tracesShown())
        .endObject();
    json.key("stopped").value(state.stopRequested);
    json.endObject();
    return json.text() + "\n";
}

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
