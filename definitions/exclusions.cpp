#include "definitions/exclusions.h"

#include "definitions/definition_files.h"
#include "platform/text.h"
#include "platform/write_failure.h"

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
    for (const auto& entry : unsaved_) joined.append(entry).append("|");
    if (joined.empty()) return;
    entries_ = text::split(joined, "|");
    for (const auto& entry : entries_) upper_.insert(text::toUpper(entry));
}

platform::Status ExclusionList::AddExclusion(std::string_view entry) {
    const std::string trimmed = text::trim(entry);
    const platform::Status written = fs_.appendFile(path_, locale_.toAnsi(trimmed) + "\r\n");
    if (!written.ok() && !trimmed.empty()) unsaved_.push_back(trimmed);
    LoadExclusions();
    // A file that cannot even be read keeps the old entries: the new one joins them.
    if (!written.ok() && !trimmed.empty() && !IsExcluded(trimmed)) {
        if (entries_.empty()) entries_.emplace_back();
        entries_.insert(entries_.end() - 1, trimmed);
        upper_.insert(text::toUpper(trimmed));
    }
    return written;
}

std::string ExclusionList::UnsavedText(platform::Status failure,
                                       const std::function<std::string(std::string_view)>& message) const {
    return message("MSG_EXCLUSION_UNSAVED") + "\r\n" + path_ + ": " + platform::WriteFailureCause(failure.code(), message);
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
