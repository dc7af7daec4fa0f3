#include "scan/findings.h"

namespace sorvane::scan {

void Findings::add(Finding finding) {
    if (finding.trace) ++traces_;
    if (finding.removal) ++removalRows_;
    if (finding.excluded && finding.summary) excludedSummaries_.insert(finding.summary->text);
    items_.push_back(std::move(finding));
}

void Findings::clear() {
    items_.clear();
    traces_ = removalRows_ = 0;
    excludedSummaries_.clear();
}

bool Findings::excludedAlready(std::string_view summaryText) const {
    return excludedSummaries_.count(std::string(summaryText)) > 0;
}

}  // namespace sorvane::scan
