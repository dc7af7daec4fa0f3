#include "scan/grouped_lookups.h"

#include <array>
#include <functional>
#include <map>
#include <set>

#include "platform/limits.h"
#include "platform/text.h"
#include "scan/file_tests.h"
#include "scan/registry_tools.h"

namespace sorvane::scan {

namespace attr = platform::attribute;

namespace {

// Where a name's letter case folds the same way everywhere: plain ASCII.
bool printableAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

bool edgeBlank(std::string_view s) { return s.front() == ' ' || s.back() == ' '; }

// Names the system would read as a device, whatever the folder: CON, NUL, COM1.txt, ...
bool deviceName(std::string_view lowered) {
    auto base = lowered.substr(0, lowered.find('.'));
    while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
    static constexpr std::array<std::string_view, 6> plain{"con", "prn", "aux", "nul", "conin$", "conout$"};
    for (auto name : plain)
        if (base == name) return true;
    return base.size() == 4 && (base.substr(0, 3) == "com" || base.substr(0, 3) == "lpt") && base[3] >= '0' &&
           base[3] <= '9';
}

// A file or folder name the system takes as written: no short-name tilde, no trailing dot or
// blank it would strip, no stream or wildcard characters, no device name.
bool plainFileName(std::string_view name) {
    if (name.empty() || name.size() > 255 || !printableAscii(name) || edgeBlank(name) || name.back() == '.')
        return false;
    if (name.find_first_of("<>:\"/\\|?*~") != std::string_view::npos) return false;
    return !deviceName(text::toLower(name));
}

// Appends the lower-cased names of `text` from `start`, split at backslashes; false as soon as
// one of them is not `plain`.
bool appendNames(std::string_view text, std::size_t start, bool (*plain)(std::string_view),
                 std::vector<std::string>& parts) {
    for (;;) {
        const auto slash = text.find('\\', start);
        const auto name = text.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (!plain(name)) return false;
        parts.push_back(text::toLower(name));
        if (slash == std::string_view::npos) return true;
        start = slash + 1;
    }
}

// "C:\A\b.dll" as {"c:\", "a", "b.dll"}; nothing for any other form.
bool splitFilePath(std::string_view path, std::vector<std::string>& parts) {
    parts.clear();
    if (path.size() < 4 || path.size() > limits::MaxGroupedPath || path[1] != ':' || path[2] != '\\') return false;
    const char drive = path[0];
    if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z'))) return false;
    parts.push_back(text::toLower(path.substr(0, 3)));
    return appendNames(path, 3, plainFileName, parts);
}

bool plainKeyName(std::string_view name) {
    return !name.empty() && name.size() <= 255 && printableAscii(name) && !edgeBlank(name);
}

// "Software\Foo" as {"software", "foo"}; nothing for empty pieces or other letters.
bool splitKeyPath(std::string_view key, std::vector<std::string>& parts) {
    parts.clear();
    if (key.empty() || key.size() > limits::MaxPathLength) return false;
    return appendNames(key, 0, plainKeyName, parts);
}

bool plainValueName(std::string_view name) {
    return !name.empty() && name.size() <= 16383 && printableAscii(name) && !edgeBlank(name);
}

// The folders (or keys) of one batch: how many lines lie below each, which names below it
// they need, and the path as the definitions spell it (the system then finds each name at once).
struct PlanNode {
    std::size_t lines = 0;
    std::set<std::string> children;
    std::string spelled;
};
using Plan = std::map<std::string, PlanNode>;

// Listing costs one call and pays back once two names below it are wanted.
bool worthListing(const PlanNode& node) { return node.lines >= 2 && node.children.size() >= 2; }

// The key of the folder that parts[0..count) name.
std::string nodeKey(const std::vector<std::string>& parts, std::size_t count) {
    std::string key;
    for (std::size_t i = 0; i < count; ++i) {
        if (i > 1) key += '\\';
        key += parts[i];
    }
    return key;
}

// Keeps a listing's names. A listing with names whose letter case the system may fold
// otherwise (anything but plain ASCII) settles nothing.
template <typename Map, typename Value>
bool keepNames(Map& names, const std::vector<std::string>& listed, const std::vector<Value>& values) {
    for (std::size_t i = 0; i < listed.size(); ++i) {
        if (!printableAscii(listed[i])) {
            names.clear();
            return false;
        }
        auto [it, fresh] = names.try_emplace(text::toLower(listed[i]), values[i]);
        if (!fresh) it->second.ambiguous = true;
    }
    return true;
}

}  // namespace

void FolderListings::clear() {
    folders_.clear();
    kept_ = 0;
}

void FolderListings::plan(const std::vector<std::string>& files, const std::vector<std::string>& folders) {
    if (kept_ > limits::MaxListedNames) clear();
    Plan plan;
    std::vector<std::string> parts;
    std::set<std::string> roots;
    for (const auto* paths : {&files, &folders}) {
        for (const auto& path : *paths) {
            if (!splitFilePath(path, parts)) continue;
            // Every folder from the drive down to the one that holds the name.
            std::size_t spelledEnd = 3;
            for (std::size_t i = 1; i < parts.size(); ++i) {
                auto& node = plan[nodeKey(parts, i)];
                if (node.spelled.empty()) node.spelled = path.substr(0, spelledEnd);
                ++node.lines;
                node.children.insert(parts[i]);
                spelledEnd += (i == 1 ? 0 : 1) + parts[i].size();
            }
            roots.insert(parts[0]);
        }
    }

    std::function<void(const std::string&, bool)> resolve = [&](const std::string& key, bool absent) {
        const auto& node = plan[key];
        auto [at, fresh] = folders_.try_emplace(key);
        auto& folder = at->second;
        kept_ += fresh ? 1 : 0;
        if (absent) {
            folder.state = Folder::State::Absent;
        } else if (folder.state == Folder::State::Unknown && worthListing(node)) {
            std::vector<platform::DirectoryEntry> entries;
            ++listings_;
            folder.state = Folder::State::Unsettled;
            const auto listed = files_.listFolder(node.spelled, entries);
            // The system could not reach the folder: nothing below it can be found either.
            if (listed.is(platform::error::PathNotFound)) folder.state = Folder::State::Absent;
            if (listed.ok()) {
                std::vector<std::string> names;
                std::vector<Entry> found;
                for (const auto& entry : entries) {
                    names.push_back(entry.name);
                    found.push_back(Entry{entry.attributes, false});
                }
                if (keepNames(folder.entries, names, found)) folder.state = Folder::State::Listed;
                kept_ += folder.entries.size() + 1;
            }
        }
        for (const auto& child : node.children) {
            const auto childKey = key.back() == '\\' ? key + child : key + "\\" + child;
            if (!plan.count(childKey)) continue;
            bool childAbsent = folder.state == Folder::State::Absent;
            if (folder.state == Folder::State::Listed) childAbsent = !folder.entries.count(child);
            resolve(childKey, childAbsent);
        }
    };
    for (const auto& root : roots)
        if (plan.count(root)) resolve(root, false);
}

const FolderListings::Entry* FolderListings::entryOf(std::string_view path, bool& settled) {
    settled = false;
    std::vector<std::string> parts;
    if (!splitFilePath(path, parts)) return nullptr;
    auto it = folders_.find(nodeKey(parts, parts.size() - 1));
    if (it == folders_.end()) return nullptr;
    const auto& folder = it->second;
    if (folder.state == Folder::State::Absent) {
        settled = true;
        return nullptr;
    }
    if (folder.state != Folder::State::Listed) return nullptr;
    auto entry = folder.entries.find(parts.back());
    if (entry == folder.entries.end()) {
        settled = true;
        return nullptr;
    }
    if (entry->second.ambiguous) return nullptr;
    settled = true;
    return &entry->second;
}

bool FolderListings::fileExists(std::string_view path) {
    bool settled = false;
    const auto* entry = entryOf(path, settled);
    if (!settled) return FileExists(files_, path);
    return entry && (entry->attributes & (attr::Hidden | attr::System | attr::Directory)) == 0;
}

bool FolderListings::folderExists(std::string_view path) {
    bool settled = false;
    const auto* entry = entryOf(path, settled);
    if (!settled) return FolderExists(files_, path);
    return entry && (entry->attributes & attr::Directory) != 0;
}

namespace {

std::string hiveKey(platform::RootKey hive) { return std::to_string(static_cast<std::uint32_t>(hive)) + ":"; }

// Asks how big a key is before listing it: a listing costs a call per name under Wine.
bool smallEnough(std::uint32_t count, std::size_t wanted) { return count <= 4 * wanted + 64; }

}  // namespace

void KeyListings::clear() {
    keys_.clear();
    kept_ = 0;
}

void KeyListings::plan(const std::vector<KeyQuery>& keyQueries, const std::vector<ValueQuery>& valueQueries) {
    if (kept_ > limits::MaxListedNames) clear();
    struct KeyNode : PlanNode {
        platform::RootKey hive{};
        std::set<std::string> values;
    };
    std::unordered_map<std::string, KeyNode> plan;
    std::vector<std::string> roots;
    std::vector<std::string> parts;

    // Every key from the hive down to the one that holds the last of `count` parts.
    // One id grows along the chain, so a key already planned costs no new text.
    std::string chain;
    auto addChain = [&](platform::RootKey hive, const std::string& key, std::size_t count) {
        chain = hiveKey(hive);
        std::size_t spelledEnd = 0;
        for (std::size_t i = 0; i < count; ++i) {
            if (i > 0) chain.append(i > 1 ? "\\" : "").append(parts[i - 1]);
            auto it = plan.find(chain);
            if (it == plan.end()) {
                it = plan.emplace(chain, KeyNode{}).first;
                it->second.hive = hive;
                it->second.spelled = key.substr(0, spelledEnd);
                if (i == 0) roots.push_back(chain);
            }
            auto& node = it->second;
            ++node.lines;
            if (i < parts.size()) node.children.insert(parts[i]);
            if (i < parts.size()) spelledEnd += (i == 0 ? 0 : 1) + parts[i].size();
        }
        return chain;
    };
    for (const auto& query : keyQueries)
        if (splitKeyPath(query.key, parts)) addChain(query.hive, query.key, parts.size());
    for (const auto& query : valueQueries) {
        if (!splitKeyPath(query.key, parts) || !plainValueName(query.value)) continue;
        auto& node = plan.find(addChain(query.hive, query.key, parts.size() + 1))->second;
        node.values.insert(text::toLower(query.value));
    }

    std::function<void(const std::string&, bool)> resolve = [&](const std::string& id, bool absent) {
        const auto& node = plan[id];
        // A missing key with nothing planned below it is answered by its parent's state.
        if (absent && node.children.empty()) return;
        auto [at, fresh] = keys_.try_emplace(id);
        auto& key = at->second;
        kept_ += fresh ? 1 : 0;
        if (absent) {
            key.state = Key::State::Absent;
        } else {
            const bool wantKeys = key.state == Key::State::Unknown && worthListing(node);
            const bool wantValues = !key.valuesTried && node.values.size() >= 2;
            std::uint32_t subKeys = 0;
            std::uint32_t values = 0;
            const auto counted =
                wantKeys || wantValues ? registry_.countEntries(node.hive, node.spelled, subKeys, values)
                                       : platform::Status::failure(platform::error::GenericFailure);
            // A key that is not there has nothing below it either.
            if (counted.is(platform::error::FileNotFound)) key.state = Key::State::Absent;
            if (counted.ok()) {
                std::vector<std::string> names;
                if (wantKeys && smallEnough(subKeys, node.children.size())) {
                    ++listings_;
                    key.state = Key::State::Unsettled;
                    if (registry_.listSubKeys(node.hive, node.spelled, names).ok() &&
                        keepNames(key.subKeys, names, std::vector<Name>(names.size())))
                        key.state = Key::State::Listed;
                    kept_ += key.subKeys.size() + 1;
                }
                if (wantValues && smallEnough(values, node.values.size())) {
                    ++listings_;
                    key.valuesTried = true;
                    key.valuesListed = registry_.listValueNames(node.hive, node.spelled, names).ok() &&
                                       keepNames(key.values, names, std::vector<Name>(names.size()));
                    kept_ += key.values.size() + 1;
                }
            }
        }
        for (const auto& child : node.children) {
            const auto childId = id.back() == ':' ? id + child : id + "\\" + child;
            if (!plan.count(childId)) continue;
            bool childAbsent = key.state == Key::State::Absent;
            if (key.state == Key::State::Listed) childAbsent = !key.subKeys.count(child);
            resolve(childId, childAbsent);
        }
    };
    for (const auto& root : roots) resolve(root, false);
}

namespace {

// The id of the key (the hive, then the lower-cased path) and, in `up`, its parent's; false for a path the
// listings never plan. Made in place, since every line asks.
bool keyIds(platform::RootKey hive, std::string_view key, std::string& own, std::string& up) {
    if (key.empty() || key.size() > limits::MaxPathLength) return false;
    own = hiveKey(hive);
    const std::size_t hiveEnd = own.size();
    std::size_t lastSlash = std::string::npos;
    for (std::size_t start = 0;;) {
        const auto slash = key.find('\\', start);
        const auto name = key.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (!plainKeyName(name)) return false;
        if (slash == std::string_view::npos) break;
        lastSlash = slash;
        start = slash + 1;
    }
    own += text::toLower(key);
    up.assign(own, 0, lastSlash == std::string::npos ? hiveEnd : hiveEnd + lastSlash);
    return true;
}

}  // namespace

KeyListings::Key* KeyListings::known(platform::RootKey hive, std::string_view keyPath, bool& absent) {
    absent = false;
    if (!keyIds(hive, keyPath, ownId_, upId_)) return nullptr;
    auto own = keys_.find(ownId_);
    auto up = keys_.find(upId_);
    // The hive's number and colon hold no backslash.
    const auto slash = ownId_.rfind('\\');
    const std::string_view last =
        std::string_view(ownId_).substr(slash == std::string::npos ? ownId_.find(':') + 1 : slash + 1);
    if ((own != keys_.end() && own->second.state == Key::State::Absent) ||
        (up != keys_.end() && (up->second.state == Key::State::Absent ||
                               (up->second.state == Key::State::Listed && !up->second.subKeys.count(std::string(last)))))) {
        absent = true;
        return nullptr;
    }
    return own == keys_.end() ? nullptr : &own->second;
}

bool KeyListings::keyExists(platform::RootKey hive, std::string_view key) {
    bool absent = false;
    (void)known(hive, key, absent);
    // A key that is there still has to grant the scan's rights.
    return !absent && RegistryKeyExists(registry_, hive, key);
}

bool KeyListings::valueExists(platform::RootKey hive, std::string_view key, std::string_view value) {
    bool absent = false;
    const Key* node = known(hive, key, absent);
    if (absent) return false;
    if (node && node->valuesListed && plainValueName(value)) {
        auto it = node->values.find(text::toLower(value));
        if (it == node->values.end()) return false;
    }
    return RegistryValueExists(registry_, hive, key, value);
}

}  // namespace sorvane::scan
