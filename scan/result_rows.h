#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "scan/findings.h"
#include "scan/scan_view.h"
#include "ui/controls.h"

namespace sorvane::scan {

// The sub-item of a results row that says why this account cannot remove the item (empty
// when it can); Select All leaves such rows unchecked.
inline constexpr int RefusalColumn = 3;

// A row of the registry work list, its columns decoded: the hive as its handle number, the
// key, the value's name (empty for a whole key) and the threat.
struct RegistryTraceRow {
    std::string rootText;
    std::string key;
    std::string value;
    std::string threat;
    // The hive the row names; nothing when its first column names no predefined key.
    std::optional<platform::RootKey> root() const;
};
RegistryTraceRow ReadRegistryTraceRow(const ui::ListItem& row);
void AddRegistryTraceRow(ui::ListView& list, const RegistryPlace& place, std::string_view threat);

// The rows that show a finding in the window's results lists.
void ShowFinding(ScanView& view, const Finding& finding);

}  // namespace sorvane::scan
