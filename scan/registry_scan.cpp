#include "scan/registry_scan.h"

#include "definitions/records.h"
#include "platform/text.h"
#include "scan/registry_tools.h"

namespace sorvane::scan {

void ScanRegistry(ScanSession& session) {
    std::vector<std::string> lines;
    if (!session.readDefinitionLines(definitions::RegistryDefinitionFile, lines)) return;
    auto& state = session.state;
    const auto& macros = session.macros();

    for (const auto& line : lines) {
        session.host.yield();
        if (state.stopRequested) return;
        auto def = definitions::ParseRegistryLine(line, macros);
        if (!def) continue;

        ++state.registryInspected;
        session.UpdateProgress(session.statusText(text::toLower(def->key + "\\" + def->value)),
                               percentOf(state.registryInspected, state.counts.registry),
                               percentOf(state.registryInspected + state.counts.cookies + state.counts.exe,
                                         state.counts.total()));

        const std::string keyText = def->keyText();
        std::string item;
        if (!def->value.empty()) {
            if (!RegistryValueExists(session.os.registry, def->hive.root, def->key, def->value)) continue;
            item = def->itemText();
            if (session.isSafe(item)) continue;
            if (session.isExcluded(item) || session.isExcluded(keyText)) {
                session.addExcluded(item);
                continue;
            }
        } else {
            if (!RegistryKeyExists(session.os.registry, def->hive.root, text::trim(def->key))) continue;
            item = keyText;
            if (session.isSafe(item)) continue;
            if (session.isExcluded(item)) {
                session.addExcluded(item);
                continue;
            }
        }

        auto& work = session.view.lvwRegistryToBeDeleted;
        work.add(definitions::HiveHandleText(def->hive.root));
        const std::size_t row = work.count() - 1;
        work.setSubItem(row, 1, def->key);
        work.setSubItem(row, 2, def->value);
        work.setSubItem(row, 3, def->threat);
        session.addTrace();

        if (session.summaryHas(def->threat + " - Found")) continue;
        if (text::trim(def->threat).empty()) {
            session.addSummary("RegKey " + def->key + " - Found", icon::None);
            session.addDetail(def->key, icon::Registry, keyText, "");
        } else {
            session.addSummary(def->threat + " - Found", icon::Registry);
            session.addDetail(def->threat, icon::Registry, item, def->note);
        }
        ++state.threatsFound;
    }
}

}  // namespace sorvane::scan
