#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/locale.h"
#include "platform/registry.h"
#include "platform/signatures.h"
#include "removal/quarantine_index.h"

namespace sorvane::removal {

// What one restore or purge did.
enum class Outcome {
    Done,          // put back (or deleted, for a purge)
    Clash,         // something is already where it would go: nothing there was overwritten
    Failed,        // the kept copy is missing or damaged, or writing failed
    NotFound,      // no entry of that id
    NotRestorable  // a link: only its name was ever known
};

struct StoreResult {
    std::uint64_t id = 0;
    Outcome outcome = Outcome::Failed;
    std::string detail;  // what went wrong, or where it went
};

// The quarantine's contents for the console and the window: one set of routines for both.
// Restoring never overwrites: an existing file or value is a clash, reported and left.
// Restored bytes are checked against the hash recorded when they were kept; a kept folder's
// files missing from its record (the list is saved after the folder went) come back unchecked.
class QuarantineStore {
public:
    QuarantineStore(platform::FileSystem& files, platform::Registry& registry, platform::Locale& locale,
                    platform::Signatures& signatures, std::string quarantineFolder);

    // Reads the index; false when it exists but cannot be read.
    bool load();
    const std::vector<IndexEntry>& entries() { return index_.entries(); }

    StoreResult restore(std::uint64_t id);
    // Deletes the kept copy (unless another entry names the same copy) and the entry.
    StoreResult purge(std::uint64_t id);
    // The ids of entries recorded more than `days` days ago.
    std::vector<std::uint64_t> olderThan(std::int64_t days);

private:
    Outcome restoreFile(const std::string& kept, const std::string& original, const std::string& sha256,
                        std::string& detail);
    Outcome restoreFolder(const IndexEntry& entry, std::string& detail);
    Outcome restoreRegistry(const IndexEntry& entry, std::string& detail);
    Outcome restoreCookieRows(const IndexEntry& entry, std::string& detail);
    bool makeFolders(std::string_view folder);

    platform::FileSystem& files_;
    platform::Registry& registry_;
    platform::Locale& locale_;
    platform::Signatures& signatures_;
    std::string folder_;
    QuarantineIndex index_;
};

std::string_view OutcomeName(Outcome outcome);

}  // namespace sorvane::removal
