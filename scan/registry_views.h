#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/registry.h"

namespace sorvane::scan {

// Where a definition's key can be on this system besides the place it names. A 64-bit
// Windows keeps some keys twice, once for its own programs and once, below a WOW6432Node
// key, for the 32-bit ones; both are tested, and a hit in the 32-bit programs' copy is
// reported, excluded, removed and restored at that physical path, which the native view
// opens as it is. A key both views share is one key, tested once.
//
// Whether a key is shared is asked of the system, once for each key of Microsoft's table
// that decides it (its physical name in either view); Microsoft's table answers where the
// system cannot tell.
class RegistryViews {
public:
    explicit RegistryViews(platform::Registry& registry) : registry_(registry) {}

    // The physical path of the 32-bit programs' own copy of `key`; nothing when there is none.
    std::optional<std::string> copyOf(platform::RootKey root, std::string_view key);

private:
    // The 32-bit view's physical path of the deciding key, or nothing when both views share it.
    std::optional<std::string> decide(platform::RootKey root, const std::string& deciding);
    bool hasViews();

    platform::Registry& registry_;
    std::optional<bool> hasViews_;
    std::unordered_map<std::string, std::optional<std::string>> decided_;  // hive, ":", lower-cased key
};

}  // namespace sorvane::scan
