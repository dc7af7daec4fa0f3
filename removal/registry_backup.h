#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "removal/quarantine_index.h"

namespace sorvane::removal {

// A value exactly as stored (type and raw bytes); nothing when it cannot be read.
std::optional<ExportedValue> ExportValue(platform::Registry& registry, platform::RootKey root, std::string_view key,
                                         std::string_view name);
// A key with every value and sub-key below it; nothing when the key cannot be read.
std::optional<ExportedKey> ExportKey(platform::Registry& registry, platform::RootKey root, std::string_view key);

// True only when the key, or the value, is not there at all. One that cannot be read (no
// rights, a value over the size limit) is there: it has a backup to be made first.
bool RegistryKeyAbsent(platform::Registry& registry, platform::RootKey root, std::string_view key);
bool RegistryValueAbsent(platform::Registry& registry, platform::RootKey root, std::string_view key,
                         std::string_view name);

// What putting registry data back did. Nothing that exists is ever overwritten: a value
// already there is a clash and stays as it is.
struct RegistryRestore {
    int written = 0;
    int clashes = 0;
    int failures = 0;
};

// Writes the value back, creating missing keys, and reads it back to check type and data.
RegistryRestore RestoreValue(platform::Registry& registry, platform::RootKey root, std::string_view key,
                             const ExportedValue& value);
// Recreates the key and everything below it that is missing.
RegistryRestore RestoreKey(platform::Registry& registry, platform::RootKey root, std::string_view key,
                           const ExportedKey& tree);

}  // namespace sorvane::removal
