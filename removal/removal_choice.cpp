#include "removal/removal_choice.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace sorvane::removal {
namespace {

// The work lists in the results page's order: files and folders, registry items, cookies.
int WorkList(const scan::Finding& finding) {
    if (finding.isRegistry()) return 1;
    return finding.kind == scan::FindingKind::Cookie ? 2 : 0;
}

}  // namespace

std::vector<scan::Finding> TiedTraces(const scan::Findings& findings, std::span<const scan::Finding* const> chosen) {
    std::unordered_set<std::string> cookiePaths, folderPaths, threats, registryKeys;
    for (const scan::Finding* finding : chosen) {
        if (!finding || !finding->removal) continue;
        const auto& row = *finding->removal;
        switch (row.icon) {
        case scan::icon::Cookie: cookiePaths.insert(row.location); break;
        case scan::icon::Registry: registryKeys.insert(row.text); threats.insert(row.text); break;
        case scan::icon::File: threats.insert(row.text); break;
        case scan::icon::Folder: folderPaths.insert(row.location); threats.insert(row.text); break;
        default: break;
        }
    }
    std::vector<scan::Finding> traces;
    for (const auto& finding : findings) {
        if (!finding.trace) continue;
        bool tied = false;
        switch (finding.kind) {
        case scan::FindingKind::Cookie: tied = cookiePaths.count(finding.path) > 0; break;
        case scan::FindingKind::File:
        case scan::FindingKind::Folder:
            tied = folderPaths.count(finding.path) > 0 || threats.count(finding.threat) > 0;
            break;
        case scan::FindingKind::RegistryKey:
        case scan::FindingKind::RegistryValue:
            tied = registryKeys.count(finding.registry.key) > 0 || threats.count(finding.threat) > 0;
            break;
        // A running program has no work row: the scan stopped it.
        case scan::FindingKind::Process: break;
        }
        if (tied) traces.push_back(finding);
    }
    std::stable_sort(traces.begin(), traces.end(), [](const scan::Finding& a, const scan::Finding& b) {
        return WorkList(a) < WorkList(b);
    });
    return traces;
}

}  // namespace sorvane::removal
