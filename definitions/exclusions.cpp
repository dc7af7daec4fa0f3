#include "definitions/exclusions.h"

#include "definitions/definition_files.h"
#include "platform/text.h"
#include "platform/trace.h"

namespace sorvane::definitions {

ExclusionList::ExclusionList(platform::FileSystem& fs, platform::Locale& locale, std::string path)
    : fs_(fs), locale_(locale), path_(std::move(path)) {}

void ExclusionList::LoadExclusions() {
    // One text of the lines each followed by "|", split again: a "|" inside a line
    // therefore separates entries too, and the list ends with one empty entry.
    std::string joined;
    const auto outcome = forEachPlainLine(fs_, locale_, path_, {}, [&](std::size_t, const std::string& line) {
        if (!text::trim(line).empty()) joined.append(line).append("|");
    });
    if (outcome == ReadOutcome::Failed) return;
    entries_.clear();
    upper_.clear();
    if (joined.empty()) return;
    entries_ = text::split(joined, "|");
    for (const auto& entry : entries_) upper_.insert(text::toUpper(entry));
}

void ExclusionList::AddExclusion(std::string_view entry) {
    platform::TraceFailure(fs_.appendFile(path_, locale_.toAnsi(text::trim(entry)) + "\r\n"), "adding an exclusion");
    LoadExclusions();
}

bool ExclusionList::IsExcluded(std::string_view item) const {
    if (upper_.empty()) return false;
    return upper_.count(text::toUpper(item)) > 0 || upper_.count(text::toUpper(text::trim(item))) > 0;
}

bool ExclusionList::IsFolderExcluded(std::string_view folder) const {
    if (IsExcluded(folder)) return true;
    const auto needle = text::toUpper(folder);
    for (const auto& entry : upper_)
        if (entry.find(needle) != std::string::npos) return true;
    return false;
}

}  // namespace sorvane::definitions
