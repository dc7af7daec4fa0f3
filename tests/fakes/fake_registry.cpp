#include "tests/fakes/fake_registry.h"

#include <algorithm>

#include "platform/text.h"
#include "tests/fakes/fake_text.h"

namespace sorvane::fakes {

using platform::RegistryValue;
using platform::RootKey;
using platform::Status;
using platform::ValueType;
namespace error = platform::error;

struct FakeRegistry::Key {
    std::string name;
    bool readOnly = false;
    bool readOnlyTree = false;  // keys added below are read-only too
    bool unreadable = false;
    std::vector<std::pair<std::string, RegistryValue>> values;
    std::vector<std::unique_ptr<Key>> subKeys;

    Key* child(std::string_view childName) const {
        for (const auto& k : subKeys) {
            if (text::equalsNoCase(k->name, childName)) return k.get();
        }
        return nullptr;
    }
    RegistryValue* valueNamed(std::string_view valueName) {
        for (auto& [n, v] : values) {
            if (text::equalsNoCase(n, valueName)) return &v;
        }
        return nullptr;
    }
};

namespace {

constexpr std::uint32_t kReadRights = platform::access::Read;

std::vector<std::string> components(std::string_view path) {
    std::vector<std::string> parts;
    for (auto& piece : text::split(path, "\\")) {
        if (!piece.empty()) parts.push_back(piece);
    }
    return parts;
}

bool isStringType(ValueType type) {
    return type == ValueType::String || type == ValueType::ExpandString || type == ValueType::MultiString;
}

}  // namespace

FakeRegistry::FakeRegistry() {
    for (auto root : {RootKey::ClassesRoot, RootKey::CurrentUser, RootKey::LocalMachine, RootKey::Users,
                      RootKey::CurrentConfig}) {
        roots_[root] = std::make_unique<Key>();
    }
}

FakeRegistry::~FakeRegistry() = default;

FakeRegistry::Key* FakeRegistry::find(RootKey root, std::string_view path) const {
    auto it = roots_.find(root);
    if (it == roots_.end()) return nullptr;
    Key* key = it->second.get();
    for (const auto& part : components(path)) {
        key = key->child(part);
        if (key == nullptr) return nullptr;
    }
    return key;
}

FakeRegistry::Key* FakeRegistry::ensure(RootKey root, std::string_view path) {
    auto it = roots_.find(root);
    if (it == roots_.end()) return nullptr;
    Key* key = it->second.get();
    for (const auto& part : components(path)) {
        Key* next = key->child(part);
        if (next == nullptr) {
            key->subKeys.push_back(std::make_unique<Key>());
            next = key->subKeys.back().get();
            next->name = part;
            next->readOnly = next->readOnlyTree = key->readOnlyTree;
        }
        key = next;
    }
    return key;
}

Status FakeRegistry::checkWrite(Key* key) {
    ++writeAttempts_;
    if (writeFailure_ != 0) return Status::failure(writeFailure_);
    if (key != nullptr && key->readOnly) return Status::failure(error::AccessDenied);
    return Status::success();
}

void FakeRegistry::store(Key& key, std::string_view name, RegistryValue value) {
    if (isStringType(value.type)) {
        if (value.data.empty()) {
            value.data = utf16Bytes(value.text);
            if (value.type == ValueType::MultiString) value.data.insert(value.data.end(), {0, 0});
        } else {
            value.text = utf8FromUtf16Bytes(value.data);
        }
    } else {
        value.text.clear();
    }
    if (auto* existing = key.valueNamed(name)) {
        *existing = std::move(value);
    } else {
        key.values.emplace_back(std::string(name), std::move(value));
    }
}

std::string FakeRegistry::stored(RootKey root, std::string_view path, std::uint32_t rights) const {
    if ((rights & platform::access::Wow64Key32) == 0 || !views_) return std::string(path);
    const std::string lower = text::toLower(path);
    for (const auto& [sharedRoot, shared] : shared_)
        if (sharedRoot == root && (lower == shared || lower.starts_with(shared + "\\"))) return std::string(path);
    return platform::Wow64RedirectedPath(root, path).value_or(std::string(path));
}

void FakeRegistry::shareKey(RootKey root, std::string_view path) { shared_.emplace_back(root, text::toLower(path)); }

Status FakeRegistry::physicalPath(RootKey root, std::string_view path, std::uint32_t view, std::string& out) {
    out.clear();
    if (!physicalNames_) return Status::failure(error::NotSupported);
    const std::string place = stored(root, path, view);
    if (auto opened = openKey(root, place, platform::access::QueryValue); !opened.ok()) return opened;
    out = place;
    return Status::success();
}

Status FakeRegistry::openKey(RootKey root, std::string_view viewed, std::uint32_t rights) {
    if (roots_.find(root) == roots_.end()) return Status::failure(error::InvalidHandle);
    const std::string path = stored(root, viewed, rights);
    Key* key = find(root, path);
    if (key == nullptr) return Status::failure(error::FileNotFound);
    if (key->unreadable) return Status::failure(error::AccessDenied);
    if (key->readOnly && (rights & ~kReadRights) != 0) return Status::failure(error::AccessDenied);
    return Status::success();
}

Status FakeRegistry::queryValue(RootKey root, std::string_view viewed, std::string_view name, std::uint32_t rights,
                                RegistryValue& out) {
    out = {};
    queried_.push_back(text::toLower(viewed));
    if (auto opened = openKey(root, viewed, rights); !opened.ok()) return opened;
    const std::string path = stored(root, viewed, rights);
    if ((rights & platform::access::QueryValue) == 0) return Status::failure(error::AccessDenied);
    const RegistryValue* found = find(root, path)->valueNamed(name);
    if (found == nullptr) return Status::failure(error::FileNotFound);
    out = *found;
    return Status::success();
}

Status FakeRegistry::createKey(RootKey root, std::string_view path) {
    if (roots_.find(root) == roots_.end()) return Status::failure(error::InvalidHandle);
    Key* existing = find(root, path);
    // Opening an existing key for creation still asks for write rights on it.
    if (auto s = checkWrite(existing); !s.ok()) return s;
    if (existing == nullptr) {
        // A new key needs the right to create sub-keys in its nearest existing parent.
        auto parts = components(path);
        Key* parent = roots_[root].get();
        for (const auto& part : parts) {
            Key* next = parent->child(part);
            if (next == nullptr) break;
            parent = next;
        }
        if (parent->readOnly) return Status::failure(error::AccessDenied);
        ensure(root, path);
    }
    return Status::success();
}

Status FakeRegistry::setValue(RootKey root, std::string_view path, std::string_view name,
                              const RegistryValue& value) {
    if (auto s = createKey(root, path); !s.ok()) return s;
    store(*find(root, path), name, value);
    return Status::success();
}

Status FakeRegistry::deleteValue(RootKey root, std::string_view path, std::string_view name) {
    Key* key = find(root, path);
    if (key == nullptr) return Status::failure(error::FileNotFound);
    if (auto s = checkWrite(key); !s.ok()) return s;
    auto it = std::find_if(key->values.begin(), key->values.end(),
                           [&](const auto& v) { return text::equalsNoCase(v.first, name); });
    if (it == key->values.end()) return Status::failure(error::FileNotFound);
    key->values.erase(it);
    return Status::success();
}

Status FakeRegistry::deleteKeyTree(RootKey root, std::string_view path) {
    auto parts = components(path);
    if (parts.empty()) return Status::failure(error::AccessDenied);  // a root cannot be deleted
    Key* key = find(root, path);
    if (key == nullptr) return Status::failure(error::FileNotFound);
    if (auto s = checkWrite(key); !s.ok()) return s;
    // Like the system's recursive delete, sub-keys go one by one: a read-only one deep
    // down stays, with the keys above it, and the call fails having deleted the rest.
    if (!prune(*key)) return Status::failure(error::AccessDenied);
    parts.pop_back();
    Key* parent = find(root, text::join(parts, "\\"));
    auto& siblings = parent->subKeys;
    siblings.erase(std::find_if(siblings.begin(), siblings.end(), [&](const auto& k) { return k.get() == key; }));
    return Status::success();
}

bool FakeRegistry::prune(Key& key) {
    if (key.readOnly) return false;
    auto& subKeys = key.subKeys;
    for (auto it = subKeys.begin(); it != subKeys.end();) {
        if (prune(**it)) {
            it = subKeys.erase(it);
        } else {
            ++it;
        }
    }
    key.values.clear();
    return subKeys.empty();
}

Status FakeRegistry::listSubKeys(RootKey root, std::string_view path, std::vector<std::string>& names) {
    names.clear();
    Key* key = find(root, path);
    if (key == nullptr) return Status::failure(error::FileNotFound);
    if (key->unreadable) return Status::failure(error::AccessDenied);
    for (const auto& k : key->subKeys) names.push_back(k->name);
    return Status::success();
}

Status FakeRegistry::listValueNames(RootKey root, std::string_view path, std::vector<std::string>& names) {
    names.clear();
    Key* key = find(root, path);
    if (key == nullptr) return Status::failure(error::FileNotFound);
    if (key->unreadable) return Status::failure(error::AccessDenied);
    for (const auto& v : key->values) names.push_back(v.first);
    return Status::success();
}

namespace {

void appendTree(const FakeRegistry::Key& key, std::string& out);

class FakeRegistryWatch final : public platform::RegistryWatch {
public:
    FakeRegistryWatch(const FakeRegistry& registry, RootKey root, std::string_view path)
        : registry_(registry), root_(root), path_(path), last_(registry.treeText(root, path)) {}
    bool changed() override {
        auto now = registry_.treeText(root_, path_);
        if (now == last_) return false;
        last_ = std::move(now);
        return true;
    }

private:
    const FakeRegistry& registry_;
    RootKey root_;
    std::string path_, last_;
};

}  // namespace

std::unique_ptr<platform::RegistryWatch> FakeRegistry::watchTree(RootKey root, std::string_view path) {
    if (refuseWatches_ || find(root, path) == nullptr) return nullptr;
    return std::make_unique<FakeRegistryWatch>(*this, root, path);
}

int FakeRegistry::queriesUnder(std::string_view prefix) const {
    const std::string lower = text::toLower(prefix);
    return static_cast<int>(std::count_if(queried_.begin(), queried_.end(),
                                          [&](const std::string& path) { return path.rfind(lower, 0) == 0; }));
}

std::string FakeRegistry::treeText(RootKey root, std::string_view path) const {
    std::string out;
    if (const Key* key = find(root, path)) appendTree(*key, out);
    return out;
}

namespace {

void appendTree(const FakeRegistry::Key& key, std::string& out) {
    out += '[' + key.name + ']';
    for (const auto& [name, value] : key.values) {
        out += name + '=' + std::to_string(static_cast<std::uint32_t>(value.type)) + ':' + value.text + ':';
        out.append(value.data.begin(), value.data.end());
        out += ';';
    }
    for (const auto& sub : key.subKeys) appendTree(*sub, out);
    out += "[/]";
}

}  // namespace

void FakeRegistry::addKey(RootKey root, std::string_view path) { ensure(root, path); }

void FakeRegistry::putString(RootKey root, std::string_view path, std::string_view name, std::string_view text,
                             ValueType type) {
    RegistryValue value;
    value.type = type;
    value.text = std::string(text);
    store(*ensure(root, path), name, value);
}

void FakeRegistry::putDword(RootKey root, std::string_view path, std::string_view name, std::uint32_t number) {
    RegistryValue value;
    value.type = ValueType::Dword;
    for (int shift = 0; shift < 32; shift += 8) value.data.push_back(static_cast<std::uint8_t>(number >> shift));
    store(*ensure(root, path), name, value);
}

void FakeRegistry::putBinary(RootKey root, std::string_view path, std::string_view name,
                             std::vector<std::uint8_t> data) {
    RegistryValue value;
    value.type = ValueType::Binary;
    value.data = std::move(data);
    store(*ensure(root, path), name, value);
}

void FakeRegistry::putMultiString(RootKey root, std::string_view path, std::string_view name,
                                  const std::vector<std::string>& texts) {
    RegistryValue value;
    value.type = ValueType::MultiString;
    for (const auto& t : texts) {
        auto bytes = utf16Bytes(t);
        value.data.insert(value.data.end(), bytes.begin(), bytes.end());
    }
    value.data.insert(value.data.end(), {0, 0});
    store(*ensure(root, path), name, value);
}

void FakeRegistry::makeReadOnly(RootKey root, std::string_view path) { ensure(root, path)->readOnly = true; }

void FakeRegistry::makeTreeReadOnly(RootKey root, std::string_view path) {
    struct Mark {
        static void tree(Key& key) {
            key.readOnly = key.readOnlyTree = true;
            for (auto& sub : key.subKeys) tree(*sub);
        }
    };
    if (Key* key = ensure(root, path)) Mark::tree(*key);
}

void FakeRegistry::makeUnreadable(RootKey root, std::string_view path) { ensure(root, path)->unreadable = true; }

bool FakeRegistry::hasKey(RootKey root, std::string_view path) const { return find(root, path) != nullptr; }

bool FakeRegistry::hasValue(RootKey root, std::string_view path, std::string_view name) const {
    return value(root, path, name).has_value();
}

std::optional<RegistryValue> FakeRegistry::value(RootKey root, std::string_view path, std::string_view name) const {
    Key* key = find(root, path);
    if (key == nullptr) return std::nullopt;
    const RegistryValue* v = key->valueNamed(name);
    if (v == nullptr) return std::nullopt;
    return *v;
}

std::optional<std::string> FakeRegistry::stringValue(RootKey root, std::string_view path,
                                                     std::string_view name) const {
    auto v = value(root, path, name);
    if (!v || (v->type != ValueType::String && v->type != ValueType::ExpandString)) return std::nullopt;
    return v->text;
}

std::optional<std::uint32_t> FakeRegistry::dwordValue(RootKey root, std::string_view path,
                                                      std::string_view name) const {
    auto v = value(root, path, name);
    if (!v || v->type != ValueType::Dword || v->data.size() < 4) return std::nullopt;
    std::uint32_t n = 0;
    for (int i = 3; i >= 0; --i) n = (n << 8) | v->data[static_cast<std::size_t>(i)];
    return n;
}

}  // namespace sorvane::fakes
