#include "removal/removal_choice.h"

#include <algorithm>

#include "scan/trace_ties.h"

namespace sorvane::removal {
namespace {

// The work lists in the results page's order: files and folders, registry items, cookies.
int WorkList(const scan::Finding& finding) {
    if (finding.isRegistry()) return 1;
    return finding.kind == scan::FindingKind::Cookie ? 2 : 0;
}

}  // namespace

std::vector<scan::Finding> TiedTraces(const scan::Findings& findings, std::span<const scan::Finding* const> chosen) {
    scan::TraceTies ties;
    for (const scan::Finding* finding : chosen)
        if (finding && finding->removal) ties.add(*finding->removal);
    std::vector<scan::Finding> traces;
    for (const auto& finding : findings)
        if (finding.trace && ties.ties(finding)) traces.push_back(finding);
    std::stable_sort(traces.begin(), traces.end(), [](const scan::Finding& a, const scan::Finding& b) {
        return WorkList(a) < WorkList(b);
    });
    return traces;
}

}  // namespace sorvane::removal
