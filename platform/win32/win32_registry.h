#pragma once
#include "platform/registry.h"

namespace sorvane::platform::win32 {

// The registry through RegOpenKeyExW and friends, each key opened with the rights asked for.
class Win32Registry final : public Registry {
public:
    Status openKey(RootKey root, std::string_view path, std::uint32_t rights) override;
    Status queryValue(RootKey root, std::string_view path, std::string_view name, std::uint32_t rights,
                      RegistryValue& out) override;
    Status createKey(RootKey root, std::string_view path) override;
    Status setValue(RootKey root, std::string_view path, std::string_view name, const RegistryValue& value) override;
    Status deleteValue(RootKey root, std::string_view path, std::string_view name) override;
    Status deleteKeyTree(RootKey root, std::string_view path) override;
    Status listSubKeys(RootKey root, std::string_view path, std::vector<std::string>& names) override;
    Status listValueNames(RootKey root, std::string_view path, std::vector<std::string>& names) override;
    Status countEntries(RootKey root, std::string_view path, std::uint32_t& subKeys, std::uint32_t& values) override;
    // RegNotifyChangeKeyValue on the key, with an event looked at without waiting.
    std::unique_ptr<RegistryWatch> watchTree(RootKey root, std::string_view path) override;
    // Asks the kernel for the key's name (NtQueryKey, KeyNameInformation).
    Status physicalPath(RootKey root, std::string_view path, std::uint32_t view, std::string& out) override;
};

}  // namespace sorvane::platform::win32
