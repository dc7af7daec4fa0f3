#pragma once
#include <functional>
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
    // Appends the trimmed text as one line (creating the file), then reloads. When the file
    // cannot be written the entry still holds until the program closes, and the failure
    // comes back so that the user is told it was not saved.
    [[nodiscard]] platform::Status AddExclusion(std::string_view text);
    // What the user is told when AddExclusion failed: that the entry holds only for this
    // run, the file and the cause, in the catalogue's words (`message` looks a key up).
    std::string UnsavedText(platform::Status failure,
                            const std::function<std::string(std::string_view)>& message) const;

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
    // Entries the file refused, kept for this run across reloads.
    std::vector<std::string> unsaved_;
};

}  // namespace sorvane::definitions
