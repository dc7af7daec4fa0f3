#include "scan/registry_scan.h"

#include <cctype>

#include "platform/text.h"
#include "scan/file_tests.h"
#include "scan/registry_tools.h"

namespace sorvane::scan {

using platform::RootKey;

std::optional<Hive> HiveOfCode(std::string_view code) {
    auto trimmed = text::trim(code);
    if (trimmed.empty()) return std::nullopt;
    // The code is read as a whole number; text that is no number is no hive.
    bool digits = false;
    for (char c : trimmed) {
        if (std::isdigit(static_cast<unsigned char>(c))) digits = true;
        else if (!(c == '+' || c == '-')) break;
    }
    if (!digits) return std::nullopt;
    switch (text::numericValue(trimmed)) {
    case 0: return Hive{RootKey::ClassesRoot, "HKEY_CLASSES_ROOT"};
    case 1: return Hive{RootKey::CurrentUser, "HKEY_CURRENT_USER"};
    case 2: return Hive{RootKey::LocalMachine, "HKEY_LOCAL_MACHINE"};
    case 3: return Hive{RootKey::Users, "HKEY_USERS"};
    case 4: return Hive{RootKey::CurrentConfig, "HKEY_CURRENT_CONFIG"};
    case 5: return Hive{RootKey::DynData, "HKEY_DYN_DATA"};
    default: return std::nullopt;
    }
}

std::string RootKeyText(RootKey root) {
    return std::to_string(static_cast<std::int32_t>(static_cast<std::uint32_t>(root)));
}

void ScanRegistry(ScanSession& session) {
    std::vector<std::string> lines;
    if (!session.readDefinitionLines(files::Registry, lines)) return;
    const std::string driveRoot = session.defs.driveRoot();
    auto& state = session.state;

    for (const auto& line : lines) {
        session.host.yield();
        if (state.stopRequested) return;

        auto cut = line.rfind('=');
        if (cut == std::string::npos) continue;
        std::string threat = text::trim(line.substr(cut + 1));
        std::string location = text::replaceAll(line.substr(0, cut), "[drive]", driveRoot);
        location = session.defs.expandPathMacros(location);
        auto fields = text::split(location, "^");
        // Definitions always carry hive, key and value; shorter lines name nothing.
        if (fields.size() < 3) continue;
        auto hive = HiveOfCode(fields[0]);
        if (!hive) continue;
        const std::string& key = fields[1];
        std::string value = fields[2];

        ++state.registryInspected;
        session.UpdateProgress(session.statusText(text::toLower(key + "\\" + value)),
                               percentOf(state.registryInspected, state.counts.registry),
                               percentOf(state.registryInspected + state.counts.cookies + state.counts.exe,
                                         state.counts.total()));

        const std::string keyText = hive->name + "\\" + key;
        std::string item;
        if (!value.empty()) {
            value = CollapseBackslashes(value);
            if (!RegistryValueExists(session.os.registry, hive->root, key, value)) continue;
            item = keyText + value;
            if (session.defs.isSafe(item)) continue;
            if (session.defs.isExcluded(item) || session.defs.isExcluded(keyText)) {
                session.addExcluded(item);
                continue;
            }
        } else {
            if (!RegistryKeyExists(session.os.registry, hive->root, text::trim(key))) continue;
            item = keyText;
            if (session.defs.isSafe(item)) continue;
            if (session.defs.isExcluded(item)) {
                session.addExcluded(item);
                continue;
            }
        }

        auto& work = session.view.lvwRegistryToBeDeleted;
        work.add(RootKeyText(hive->root));
        const std::size_t row = work.count() - 1;
        work.setSubItem(row, 1, key);
        work.setSubItem(row, 2, value);
        std::string note;
        if (auto bar = threat.find('|'); bar != std::string::npos) {
            note = threat.substr(bar + 1);
            note = note.substr(0, note.find('|'));
            threat.resize(bar);
        }
        work.setSubItem(row, 3, threat);
        session.addTrace();

        if (session.summaryHas(threat + " - Found")) continue;
        if (text::trim(threat).empty()) {
            session.addSummary("RegKey " + key + " - Found", icon::None);
            session.addDetail(key, icon::Registry, keyText, "");
        } else {
            session.addSummary(threat + " - Found", icon::Registry);
            session.addDetail(threat, icon::Registry, item, note);
        }
        ++state.threatsFound;
    }
}

}  // namespace sorvane::scan
