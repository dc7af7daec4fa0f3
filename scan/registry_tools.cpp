#include "scan/registry_tools.h"

#include <cstring>

#include "platform/text.h"

namespace sorvane::scan {

using platform::RegistryValue;
using platform::ValueType;

bool RegistryKeyExists(platform::Registry& registry, platform::RootKey hive, std::string_view key) {
    return registry.openKey(hive, key, platform::access::ScanAccess).ok();
}

std::optional<RegistryData> ReadRegistryValue(platform::Registry& registry, platform::RootKey hive,
                                              std::string_view key, std::string_view name) {
    RegistryValue value;
    if (!registry.queryValue(hive, key, name, platform::access::ScanAccess, value).ok()) return std::nullopt;
    switch (value.type) {
    case ValueType::String:
    case ValueType::ExpandString:
        return RegistryData{value.text};
    case ValueType::Dword: {
        if (value.data.size() < 4) return std::nullopt;
        std::uint32_t number = 0;
        std::memcpy(&number, value.data.data(), 4);
        return RegistryData{number};
    }
    default:
        return std::nullopt;
    }
}

bool RegistryValueExists(platform::Registry& registry, platform::RootKey hive, std::string_view key,
                         std::string_view name, RegistryData* data) {
    auto value = ReadRegistryValue(registry, hive, key, name);
    if (!value) return false;
    if (data) *data = *value;
    return true;
}

bool RegistryRemovalDenied(platform::Registry& registry, platform::RootKey hive, std::string_view key,
                           std::string_view value) {
    const auto rights = value.empty() ? platform::access::RemoveKeyAccess : platform::access::SetValue;
    return registry.openKey(hive, key, rights).is(platform::error::AccessDenied);
}

void SetRegistryValue(platform::Registry& registry, platform::RootKey hive, std::string_view key,
                      std::string_view name, const RegistryData& value) {
    if (const auto* number = std::get_if<std::uint32_t>(&value)) {
        RegistryValue stored;
        stored.type = ValueType::Dword;
        stored.data.resize(4);
        std::memcpy(stored.data.data(), number, 4);
        (void)registry.setValue(hive, key, name, stored);
        return;
    }
    (void)registry.setString(hive, key, name, text::trim(std::get<std::string>(value)));
}

std::string RegistryDataText(const RegistryData& data) {
    if (const auto* number = std::get_if<std::uint32_t>(&data)) return std::to_string(*number);
    return std::get<std::string>(data);
}

}  // namespace sorvane::scan
