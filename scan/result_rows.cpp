#include "scan/result_rows.h"

#include "definitions/records.h"

namespace sorvane::scan {

namespace column {
constexpr std::size_t Key = 1, Value = 2, Threat = 3;
}  // namespace column

std::optional<platform::RootKey> RegistryTraceRow::root() const { return definitions::HiveFromHandleText(rootText); }

RegistryTraceRow ReadRegistryTraceRow(const ui::ListItem& row) {
    return {row.text, row.subItem(column::Key), row.subItem(column::Value), row.subItem(column::Threat)};
}

void AddRegistryTraceRow(ui::ListView& list, const RegistryPlace& place, std::string_view threat) {
    list.add(definitions::HiveHandleText(place.root));
    const std::size_t row = list.count() - 1;
    list.setSubItem(row, column::Key, place.key);
    list.setSubItem(row, column::Value, place.value);
    list.setSubItem(row, column::Threat, std::string(threat));
}

void ShowFinding(ScanView& view, const Finding& finding) {
    if (finding.trace) {
        switch (finding.kind) {
        case FindingKind::File:
        case FindingKind::Folder: {
            auto& files = view.lvwFilesToBeDeleted;
            files.add(finding.path);
            files.setSubItem(files.count() - 1, 1, finding.threat);
            break;
        }
        case FindingKind::RegistryKey:
        case FindingKind::RegistryValue: AddRegistryTraceRow(view.lvwRegistryToBeDeleted, finding.registry, finding.threat); break;
        case FindingKind::Cookie: view.lvwCookiesToDelete.add(finding.path); break;
        case FindingKind::Process: break;
        }
    }
    if (finding.summary) view.lvwSpywareFound.add(finding.summary->text, finding.summary->icon);
    if (finding.removal) {
        auto& list = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
        const auto& row = *finding.removal;
        list.add(row.text, row.icon);
        list.setSubItem(list.count() - 1, 1, row.location);
        // Only this line's note: a row never inherits another definition's note.
        list.setSubItem(list.count() - 1, 2, row.note);
        if (!finding.refusal.empty()) list.setSubItem(list.count() - 1, RefusalColumn, finding.refusal);
    }
}

}  // namespace sorvane::scan
