#pragma once
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/file_system.h"
#include "platform/locale.h"

// The user's exclusions: findings never to report again, one per line of the plain
// ANSI file "ENoSignature.txt" in the application folder.
namespace sorvane::definitions {

inline constexpr std::string_view ExclusionFile = "ENoSignature.txt";

class ExclusionList {
public:
    // `path` is the exclusion file's full path.
    ExclusionList(platform::FileSystem& fs, platform::Locale& locale, std::string path);

    // Re-reads the file: every line that is not blank is an entry, kept as written. A
    // missing file means no entries; a file that cannot be read keeps the old ones.
    void LoadExclusions();
    // Appends the trimmed text as one line (creating the file), then reloads.
    void AddExclusion(std::string_view text);

    // True when the item, as given or trimmed, equals an entry ignoring case. While the
    // list has entries, the empty text counts as excluded.
    bool IsExcluded(std::string_view item) const;
    // IsExcluded, or the folder text occurs inside some entry, ignoring case.
    bool IsFolderExcluded(std::string_view folder) const;

    // The entries in file order, ending with one empty entry when there are any.
    const std::vector<std::string>& entries() const { return entries_; }
    const std::string& path() const { return path_; }

private:
    platform::FileSystem& fs_;
    platform::Locale& locale_;
    std::string path_;
    std::vector<std::string> entries_;
    std::unordered_set<std::string> upper_;
};

}  // namespace sorvane::definitions
