#include "scan/registry_scan.h"

#include <optional>

#include "definitions/records.h"
#include "platform/text.h"
#include "scan/registry_tools.h"

namespace sorvane::scan {

namespace {

// A key or value of a line that is there: rows, counts and the summary.
void found(ScanSession& session, const definitions::RegistryDefinition& def) {
    auto& state = session.state;
    const std::string keyText = def.keyText();
    Finding finding;
    finding.kind = def.value.empty() ? FindingKind::RegistryKey : FindingKind::RegistryValue;
    finding.threat = def.threat;
    finding.registry = {def.hive.root, def.key, def.value};
    finding.note = def.note;
    std::string item;
    if (!def.value.empty()) {
        item = def.itemText();
        if (session.isSafe(item)) return;
        if (session.isExcluded(item) || session.isExcluded(keyText)) {
            session.recordExcluded(std::move(finding), item);
            return;
        }
    } else {
        item = keyText;
        if (session.isSafe(item)) return;
        if (session.isExcluded(item)) {
            session.recordExcluded(std::move(finding), item);
            return;
        }
    }

    finding.trace = true;
    if (session.summaryHas(def.threat + " - Found")) {
        session.record(std::move(finding));
        return;
    }
    // A trace this account may read but not remove (machine-wide keys under a standard or
    // filtered token) is still found: the machine is not clean. Its row says who can remove it.
    const bool needsAdministrator = RegistryRemovalDenied(session.os.registry, def.hive.root,
                                                          def.value.empty() ? text::trim(def.key) : def.key, def.value);
    const std::string refusal = needsAdministrator ? session.message("MSG_NEEDS_ADMIN") : std::string();
    if (text::trim(def.threat).empty()) {
        finding.summary = SummaryRow{"RegKey " + def.key + " - Found", icon::None};
        finding.removal = RemovalRow{def.key, keyText, refusal, icon::Registry};
    } else {
        finding.summary = SummaryRow{def.threat + " - Found", icon::Registry};
        finding.removal = RemovalRow{def.threat, item,
                                     refusal.empty() || def.note.empty() ? def.note + refusal : def.note + " - " + refusal,
                                     icon::Registry};
    }
    if (needsAdministrator) finding.refusal = refusal;
    session.record(std::move(finding));
    ++state.threatsFound;
}

// One line: its key or value is tested where the line names it and, on a 64-bit system, in
// the 32-bit programs' own copy (`copy`, a physical path); each place that holds it is a trace.
void handle(ScanSession& session, const definitions::RegistryDefinition& def, std::string_view trimmedKey,
            const std::optional<std::string>& copy, KeyListings& listings) {
    auto& state = session.state;
    ++state.registryInspected;
    session.UpdateProgressWith(
        [&] { return session.statusText(text::toLower(def.key + "\\" + def.value)); },
        percentOf(state.registryInspected, state.counts.registry),
        percentOf(state.registryInspected + state.counts.cookies + state.counts.exe, state.counts.total()));

    // Most lines name nothing that is there: their texts are made only for a hit.
    auto there = [&](std::string_view key) {
        return def.value.empty() ? listings.keyExists(def.hive.root, key)
                                 : listings.valueExists(def.hive.root, key, def.value);
    };
    if (there(def.value.empty() ? trimmedKey : std::string_view(def.key))) found(session, def);
    if (copy && there(*copy)) {
        auto inCopy = def;
        inCopy.key = *copy;
        found(session, inCopy);
    }
}

}  // namespace

void ScanRegistry(ScanSession& session) {
    const auto& macros = session.macros();
    auto& listings = session.keyListings();
    listings.clear();
    std::vector<std::optional<definitions::RegistryDefinition>> defs;
    std::vector<KeyListings::KeyQuery> keys;
    std::vector<KeyListings::ValueQuery> values;
    std::vector<std::optional<std::string>> copies;
    auto& views = session.registryViews();
    (void)session.forEachDefinitionBatch(definitions::RegistryDefinitionFile, [&](const auto& lines) {
        defs.clear();
        keys.clear();
        values.clear();
        copies.clear();
        // Each line's keys in the plan: the key as written first, then its copy.
        std::vector<std::size_t> firstKey;
        for (const auto& line : lines) {
            auto def = definitions::ParseRegistryLine(line, macros);
            firstKey.push_back(keys.size());
            if (def && def->value.empty()) {
                keys.push_back({def->hive.root, text::trim(def->key)});
                copies.push_back(views.copyOf(def->hive.root, keys.back().key));
                if (copies.back()) keys.push_back({def->hive.root, *copies.back()});
            } else if (def) {
                values.push_back({def->hive.root, def->key, def->value});
                copies.push_back(views.copyOf(def->hive.root, def->key));
                if (copies.back()) values.push_back({def->hive.root, *copies.back(), def->value});
            } else {
                copies.emplace_back();
            }
            defs.push_back(std::move(def));
        }
        listings.plan(keys, values);
        for (std::size_t i = 0; i < defs.size(); ++i) {
            session.host.yieldBetweenItems();
            if (session.state.stopRequested) return false;
            const auto& def = defs[i];
            if (!def) continue;
            // Key lines take their trimmed key from the plan.
            handle(session, *def, def->value.empty() ? std::string_view(keys[firstKey[i]].key) : std::string_view(),
                   copies[i], listings);
        }
        return true;
    });
    listings.clear();
}

}  // namespace sorvane::scan
