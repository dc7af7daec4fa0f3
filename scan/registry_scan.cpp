#include "scan/registry_scan.h"

#include <optional>

#include "definitions/records.h"
#include "platform/text.h"
#include "scan/registry_tools.h"

namespace sorvane::scan {

namespace {

// One line after its key or value was tested: rows, counts and the summary.
void handle(ScanSession& session, const definitions::RegistryDefinition& def, std::string_view trimmedKey,
            KeyListings& listings) {
    auto& state = session.state;
    ++state.registryInspected;
    session.UpdateProgressWith(
        [&] { return session.statusText(text::toLower(def.key + "\\" + def.value)); },
        percentOf(state.registryInspected, state.counts.registry),
        percentOf(state.registryInspected + state.counts.cookies + state.counts.exe, state.counts.total()));

    // Most lines name nothing that is there: their texts are made only for a hit.
    if (def.value.empty() ? !listings.keyExists(def.hive.root, trimmedKey)
                          : !listings.valueExists(def.hive.root, def.key, def.value))
        return;
    const std::string keyText = def.keyText();
    std::string item;
    if (!def.value.empty()) {
        item = def.itemText();
        if (session.isSafe(item)) return;
        if (session.isExcluded(item) || session.isExcluded(keyText)) {
            session.addExcluded(item);
            return;
        }
    } else {
        item = keyText;
        if (session.isSafe(item)) return;
        if (session.isExcluded(item)) {
            session.addExcluded(item);
            return;
        }
    }

    auto& work = session.view.lvwRegistryToBeDeleted;
    work.add(definitions::HiveHandleText(def.hive.root));
    const std::size_t row = work.count() - 1;
    work.setSubItem(row, 1, def.key);
    work.setSubItem(row, 2, def.value);
    work.setSubItem(row, 3, def.threat);
    session.addTrace();

    if (session.summaryHas(def.threat + " - Found")) return;
    // A trace this account may read but not remove (machine-wide keys under a standard or
    // filtered token) is still found: the machine is not clean. Its row says who can remove it.
    const bool needsAdministrator = RegistryRemovalDenied(session.os.registry, def.hive.root,
                                                          def.value.empty() ? trimmedKey : def.key, def.value);
    const std::string refusal = needsAdministrator ? session.message("MSG_NEEDS_ADMIN") : std::string();
    if (text::trim(def.threat).empty()) {
        session.addSummary("RegKey " + def.key + " - Found", icon::None);
        session.addDetail(def.key, icon::Registry, keyText, refusal);
    } else {
        session.addSummary(def.threat + " - Found", icon::Registry);
        session.addDetail(def.threat, icon::Registry, item,
                          refusal.empty() || def.note.empty() ? def.note + refusal : def.note + " - " + refusal);
    }
    auto& detail = session.view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    if (needsAdministrator) detail.setSubItem(detail.count() - 1, RefusalColumn, refusal);
    ++state.threatsFound;
}

}  // namespace

void ScanRegistry(ScanSession& session) {
    const auto& macros = session.macros();
    auto& listings = session.keyListings();
    listings.clear();
    std::vector<std::optional<definitions::RegistryDefinition>> defs;
    std::vector<KeyListings::KeyQuery> keys;
    std::vector<KeyListings::ValueQuery> values;
    (void)session.forEachDefinitionBatch(definitions::RegistryDefinitionFile, [&](const auto& lines) {
        defs.clear();
        keys.clear();
        values.clear();
        for (const auto& line : lines) {
            auto def = definitions::ParseRegistryLine(line, macros);
            if (def && def->value.empty()) keys.push_back({def->hive.root, text::trim(def->key)});
            if (def && !def->value.empty()) values.push_back({def->hive.root, def->key, def->value});
            defs.push_back(std::move(def));
        }
        listings.plan(keys, values);
        std::size_t key = 0;
        for (const auto& def : defs) {
            session.host.yieldBetweenItems();
            if (session.state.stopRequested) return false;
            if (!def) continue;
            // Key lines take their trimmed key from the plan, in the same order.
            handle(session, *def, def->value.empty() ? std::string_view(keys[key++].key) : std::string_view(),
                   listings);
        }
        return true;
    });
    listings.clear();
}

}  // namespace sorvane::scan
