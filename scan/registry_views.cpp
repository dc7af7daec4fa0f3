#include "scan/registry_views.h"

#include "platform/text.h"

namespace sorvane::scan {

namespace access = platform::access;

bool RegistryViews::hasViews() {
    // Without the physical names: a 64-bit system is one that keeps a 32-bit copy of SOFTWARE.
    if (!hasViews_)
        hasViews_ = registry_.openKey(platform::RootKey::LocalMachine, "SOFTWARE\\WOW6432Node", access::QueryValue).ok();
    return *hasViews_;
}

namespace {

// Where the first `count` names of `key` end (empty names between backslashes do not count).
std::size_t afterNames(std::string_view key, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t seen = 0; seen < count && at < key.size();) {
        while (at < key.size() && key[at] == '\\') ++at;
        if (at == key.size()) break;
        while (at < key.size() && key[at] != '\\') ++at;
        ++seen;
    }
    return at;
}

}  // namespace

std::optional<std::string> RegistryViews::decide(platform::RootKey root, const std::string& deciding) {
    const std::string id = std::to_string(static_cast<std::uint32_t>(root)) + ":" + text::toLower(deciding);
    if (auto it = decided_.find(id); it != decided_.end()) return it->second;
    std::string viewed32;
    std::string viewed64;
    std::optional<std::string> copy;
    if (registry_.physicalPath(root, deciding, access::Wow64Key32, viewed32).ok() &&
        registry_.physicalPath(root, deciding, access::Wow64Key64, viewed64).ok()) {
        if (!text::equalsNoCase(viewed32, viewed64)) copy = viewed32;
    } else if (hasViews()) {
        copy = platform::Wow64RedirectedPath(root, deciding);
    }
    decided_.emplace(id, copy);
    return copy;
}

std::optional<std::string> RegistryViews::copyOf(platform::RootKey root, std::string_view key) {
    const std::string deciding = platform::Wow64DecidingKey(root, key);
    if (deciding.empty()) return std::nullopt;
    const auto copy = decide(root, deciding);
    if (!copy) return std::nullopt;
    // The names below the deciding key, as the line spells them.
    const std::size_t names = text::split(deciding, "\\").size();
    return *copy + std::string(key.substr(afterNames(key, names)));
}

}  // namespace sorvane::scan
