#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "platform/registry.h"

// The registry operations the scan, the removal and the start-up option share.
// Every one swallows errors: a key or value that cannot be reached counts as absent.
namespace sorvane::scan {

// A value read back: text for string types, a number for 32-bit numbers.
using RegistryData = std::variant<std::string, std::uint32_t>;

// True when the key opens for reading: a machine-wide key this account may read but not
// change is there all the same.
bool RegistryKeyExists(platform::Registry& registry, platform::RootKey hive, std::string_view key);
// String, expandable-string and 32-bit number values; every other type is a failure.
std::optional<RegistryData> ReadRegistryValue(platform::Registry& registry, platform::RootKey hive,
                                              std::string_view key, std::string_view name);
// True, with the data, when the value exists as a readable type.
bool RegistryValueExists(platform::Registry& registry, platform::RootKey hive, std::string_view key,
                         std::string_view name, RegistryData* data = nullptr);
// True when this account is refused what deleting the key (an empty value name) or the
// value needs: a trace only an administrator can remove. Any other answer is not a refusal.
bool RegistryRemovalDenied(platform::Registry& registry, platform::RootKey hive, std::string_view key,
                           std::string_view value);
// Numbers are stored as 32-bit numbers, anything else as the trimmed text.
void SetRegistryValue(platform::Registry& registry, platform::RootKey hive, std::string_view key,
                      std::string_view name, const RegistryData& value);

// The text of a value read back, numbers as decimal text.
std::string RegistryDataText(const RegistryData& data);

}  // namespace sorvane::scan
