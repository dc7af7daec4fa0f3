#include "removal/registry_backup.h"

#include "platform/limits.h"

namespace sorvane::removal {
namespace {

using platform::access::Read;

std::string joined(std::string_view key, std::string_view name) {
    std::string path(key);
    if (!path.empty()) path += '\\';
    return path.append(name);
}

std::string lastComponent(std::string_view key) {
    const auto cut = key.rfind('\\');
    return std::string(cut == std::string_view::npos ? key : key.substr(cut + 1));
}

std::optional<ExportedKey> exportKey(platform::Registry& registry, platform::RootKey root, const std::string& key,
                                     std::size_t depth) {
    if (depth > limits::MaxRegistryDepth || !registry.openKey(root, key, Read).ok()) return std::nullopt;
    ExportedKey tree;
    tree.name = lastComponent(key);
    std::vector<std::string> names;
    if (!registry.listValueNames(root, key, names).ok()) return std::nullopt;
    for (const auto& name : names) {
        auto value = ExportValue(registry, root, key, name);
        if (!value) return std::nullopt;
        tree.values.push_back(std::move(*value));
    }
    if (!registry.listSubKeys(root, key, names).ok()) return std::nullopt;
    for (const auto& name : names) {
        auto sub = exportKey(registry, root, joined(key, name), depth + 1);
        if (!sub) return std::nullopt;
        tree.keys.push_back(std::move(*sub));
    }
    return tree;
}

void restoreKey(platform::Registry& registry, platform::RootKey root, const std::string& key,
                const ExportedKey& tree, std::size_t depth, RegistryRestore& outcome) {
    if (depth > limits::MaxRegistryDepth) {
        ++outcome.failures;
        return;
    }
    if (!registry.createKey(root, key).ok()) {
        ++outcome.failures;
        return;
    }
    for (const auto& value : tree.values) {
        const auto one = RestoreValue(registry, root, key, value);
        outcome.written += one.written;
        outcome.clashes += one.clashes;
        outcome.failures += one.failures;
    }
    for (const auto& sub : tree.keys) restoreKey(registry, root, joined(key, sub.name), sub, depth + 1, outcome);
}

}  // namespace

std::optional<ExportedValue> ExportValue(platform::Registry& registry, platform::RootKey root, std::string_view key,
                                         std::string_view name) {
    platform::RegistryValue stored;
    if (!registry.queryValue(root, key, name, platform::access::QueryValue, stored).ok()) return std::nullopt;
    if (stored.data.size() > limits::MaxRegistryValueData) return std::nullopt;
    return ExportedValue{std::string(name), static_cast<std::uint32_t>(stored.type),
                         std::string(stored.data.begin(), stored.data.end())};
}

std::optional<ExportedKey> ExportKey(platform::Registry& registry, platform::RootKey root, std::string_view key) {
    return exportKey(registry, root, std::string(key), 0);
}

bool RegistryKeyAbsent(platform::Registry& registry, platform::RootKey root, std::string_view key) {
    return registry.openKey(root, key, platform::access::QueryValue).is(platform::error::FileNotFound);
}

bool RegistryValueAbsent(platform::Registry& registry, platform::RootKey root, std::string_view key,
                         std::string_view name) {
    platform::RegistryValue stored;
    return registry.queryValue(root, key, name, platform::access::QueryValue, stored).is(platform::error::FileNotFound);
}

RegistryRestore RestoreValue(platform::Registry& registry, platform::RootKey root, std::string_view key,
                             const ExportedValue& value) {
    RegistryRestore outcome;
    platform::RegistryValue existing;
    if (registry.queryValue(root, key, value.name, platform::access::QueryValue, existing).ok()) {
        // The same data already there is no clash: an earlier restore that stopped half-way.
        const bool same = static_cast<std::uint32_t>(existing.type) == value.type &&
                          std::string(existing.data.begin(), existing.data.end()) == value.data;
        ++(same ? outcome.written : outcome.clashes);
        return outcome;
    }
    platform::RegistryValue stored;
    stored.type = static_cast<platform::ValueType>(value.type);
    stored.data.assign(value.data.begin(), value.data.end());
    const auto back = registry.setValue(root, key, value.name, stored);
    const auto read = back.ok() ? ExportValue(registry, root, key, value.name) : std::nullopt;
    ++(read && *read == value ? outcome.written : outcome.failures);
    return outcome;
}

RegistryRestore RestoreKey(platform::Registry& registry, platform::RootKey root, std::string_view key,
                           const ExportedKey& tree) {
    RegistryRestore outcome;
    restoreKey(registry, root, std::string(key), tree, 0, outcome);
    return outcome;
}

}  // namespace sorvane::removal
