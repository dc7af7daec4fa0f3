#pragma once
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "definitions/definition_files.h"
#include "definitions/path_macros.h"

// Items that must never be reported: the program's own files, system folders and
// whatever "Safety.dat" lists.
namespace sorvane::definitions {

class SafeList {
public:
    // Reads "Safety.dat" (a missing file gives an empty list), one entry per usable line
    // in file order, polling `stop` between lines. Replaces the previous content.
    bool LoadSafeList(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                      const PathMacros& macros, const StopPredicate& stop = {});
    void assign(std::vector<std::string> entries);

    // True when the item equals an entry, or one of the two is the other followed by a
    // backslash, ignoring case, blanks around and one trailing "/" then "\"; also for
    // the empty item and, while the list has a usable entry, for a bare hive root.
    bool IsSafe(std::string_view item) const;

    const std::vector<std::string>& entries() const { return entries_; }

private:
    std::vector<std::string> entries_;
    std::unordered_set<std::string> normalized_;
};

}  // namespace sorvane::definitions
