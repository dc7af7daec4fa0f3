#include "scan/findings.h"

#include "platform/text.h"

namespace sorvane::scan {

namespace {
constexpr std::string_view Found = " - found";

bool endsWithFound(std::string_view lowered) {
    return lowered.size() >= Found.size() && lowered.substr(lowered.size() - Found.size()) == Found;
}
}  // namespace

void Findings::add(Finding finding) {
    if (finding.trace) ++traces_;
    if (finding.removal) ++removalRows_;
    if (finding.excluded && finding.summary) excludedSummaries_.insert(finding.summary->text);
    if (finding.summary) {
        const auto line = text::toLower(finding.summary->text);
        for (auto at = line.find(Found); at != std::string::npos; at = line.find(Found, at + 1))
            foundPrefixes_.insert(line.substr(0, at + Found.size()));
    }
    if (finding.trace && (finding.kind == FindingKind::File || finding.kind == FindingKind::Folder))
        tracedFiles_.insert(text::toLower(finding.path));
    items_.push_back(std::move(finding));
}

void Findings::clear() {
    items_.clear();
    traces_ = removalRows_ = 0;
    excludedSummaries_.clear();
    foundPrefixes_.clear();
    tracedFiles_.clear();
}

bool Findings::summaryHas(std::string_view prefix) const {
    const auto wanted = text::toLower(prefix);
    if (endsWithFound(wanted)) return foundPrefixes_.count(wanted) > 0;
    for (const auto& finding : items_)
        if (finding.summary && text::startsWithNoCase(finding.summary->text, prefix)) return true;
    return false;
}

bool Findings::fileTraced(std::string_view path) const { return tracedFiles_.count(text::toLower(path)) > 0; }

bool Findings::excludedAlready(std::string_view summaryText) const {
    return excludedSummaries_.count(std::string(summaryText)) > 0;
}

void MissingFiles::add(MissingFile file) {
    byName_.emplace(text::toLower(file.name), files_.size());
    files_.push_back(std::move(file));
}

void MissingFiles::clear() {
    files_.clear();
    byName_.clear();
}

const MissingFile* MissingFiles::find(std::string_view name) const {
    const auto hit = byName_.find(text::toLower(name));
    return hit == byName_.end() ? nullptr : &files_[hit->second];
}

}  // namespace sorvane::scan
