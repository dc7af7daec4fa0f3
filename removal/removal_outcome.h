#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::removal {

// What became of one finding a removal run was given.
enum class OutcomeKind {
    Removed,   // gone from the system; its copy is in the quarantine where one could be taken
    Resisted,  // tried, and still there: the system kept it (in use, access denied, no copy kept)
    Refused,   // not touched, for the reason the outcome names
};

// Why a run did not touch a finding.
enum class RefusalReason {
    None,
    Excluded,            // on the user's exclusion list
    Protected,           // the program, its quarantine, a drive root, a system folder or structural key
    WholeHive,           // a hive root is never deleted
    NeedsAdministrator,  // this account may read it but not change it
    NoPlace,             // a registry item naming no key under a predefined root: nothing to interpret
};

struct RemovalOutcome {
    OutcomeKind kind = OutcomeKind::Removed;
    RefusalReason refusal = RefusalReason::None;
    // The item as "Delete Failed" and the console name it: the path, or the root key's name,
    // the key and the value.
    std::string shown;
    // The catalogue's words for why it stayed (in use, access denied, needs an administrator);
    // empty when no cause is known or it went.
    std::string cause;
    // The quarantine index entry that holds its copy, and the name the file or folder is kept
    // under (empty for registry data and cookie rows, which the entry holds itself).
    std::optional<std::uint64_t> quarantineEntry;
    std::string kept;

    bool removed() const { return kind == OutcomeKind::Removed; }
    // Listed in "Delete Failed": whatever stayed, except what was never the run's to touch
    // (excluded) or names no place at all.
    bool listed() const {
        return !removed() && refusal != RefusalReason::Excluded && refusal != RefusalReason::NoPlace;
    }
    // The console names items by their place: a hive root or a row without a key has none.
    bool named() const { return refusal != RefusalReason::WholeHive && refusal != RefusalReason::NoPlace; }
};

// The figures of a finished run.
struct RemovalTotals {
    std::size_t removed = 0;
    std::size_t resisted = 0;
    std::size_t refused = 0;
};

}  // namespace sorvane::removal
