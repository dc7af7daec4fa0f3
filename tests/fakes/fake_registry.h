#pragma once
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace sorvane::fakes {

// An in-memory registry that answers like Windows: names ignore case, the default value
// has the empty name, keys can be made readable but not writable, writes can be made to fail.
class FakeRegistry : public platform::Registry {
public:
    FakeRegistry();
    ~FakeRegistry() override;

    platform::Status openKey(platform::RootKey root, std::string_view path, std::uint32_t rights) override;
    platform::Status queryValue(platform::RootKey root, std::string_view path, std::string_view name,
                                std::uint32_t rights, platform::RegistryValue& out) override;
    platform::Status createKey(platform::RootKey root, std::string_view path) override;
    platform::Status setValue(platform::RootKey root, std::string_view path, std::string_view name,
                              const platform::RegistryValue& value) override;
    platform::Status deleteValue(platform::RootKey root, std::string_view path, std::string_view name) override;
    platform::Status deleteKeyTree(platform::RootKey root, std::string_view path) override;
    platform::Status listSubKeys(platform::RootKey root, std::string_view path,
                                 std::vector<std::string>& names) override;
    platform::Status listValueNames(platform::RootKey root, std::string_view path,
                                    std::vector<std::string>& names) override;
    // The place a key opened in the view is stored at, when the key is there in that view.
    platform::Status physicalPath(platform::RootKey root, std::string_view path, std::uint32_t view,
                                  std::string& out) override;

    // A 64-bit system by default: a key opened with access::Wow64Key32 is the WOW6432Node copy
    // that Microsoft's table names (platform::Wow64RedirectedPath); without views, a 32-bit one.
    void setViews(bool views) { views_ = views; }
    // This system shares the key (and all below it) between the views whatever the table says.
    void shareKey(platform::RootKey root, std::string_view path);
    // A watch that compares everything in and below the key with what it held at the last look,
    // so that the arranging calls below count as changes too; nothing for a missing key, or
    // while watches are refused (a system that cannot watch).
    std::unique_ptr<platform::RegistryWatch> watchTree(platform::RootKey root, std::string_view path) override;
    void refuseWatches(bool refuse) { refuseWatches_ = refuse; }
    // Everything in and below the key as one text; empty for a missing key.
    std::string treeText(platform::RootKey root, std::string_view path) const;
    // Whether physicalPath answers, or fails as a system that cannot tell.
    void answerPhysicalNames(bool answer) { physicalNames_ = answer; }

    // Arranging a test: these bypass rights and failure injection.
    void addKey(platform::RootKey root, std::string_view path);
    void putString(platform::RootKey root, std::string_view path, std::string_view name, std::string_view text,
                   platform::ValueType type = platform::ValueType::String);
    void putDword(platform::RootKey root, std::string_view path, std::string_view name, std::uint32_t number);
    void putBinary(platform::RootKey root, std::string_view path, std::string_view name,
                   std::vector<std::uint8_t> data);
    void putMultiString(platform::RootKey root, std::string_view path, std::string_view name,
                        const std::vector<std::string>& texts);
    // The key (created when missing) grants only read rights: opening it with any right
    // to change it, or changing it, fails with access denied. A recursive delete of a key
    // above it deletes everything else and fails.
    void makeReadOnly(platform::RootKey root, std::string_view path);
    // The rights of a standard or filtered token below the key (the whole root for an empty
    // path): every key there now or added later by a test is read-only, as makeReadOnly.
    void makeTreeReadOnly(platform::RootKey root, std::string_view path = {});
    // The key (created when missing) cannot be read: opening it, reading a value or listing
    // what it holds fails with access denied. Changes still go through, as for an account
    // granted the right to delete a key but not to read it.
    void makeUnreadable(platform::RootKey root, std::string_view path);
    // Every later change (create, set, delete) fails with this code; 0 lets changes through again.
    void failWrites(std::uint32_t code) { writeFailure_ = code; }

    // Checking a test.
    bool hasKey(platform::RootKey root, std::string_view path) const;
    bool hasValue(platform::RootKey root, std::string_view path, std::string_view name) const;
    std::optional<platform::RegistryValue> value(platform::RootKey root, std::string_view path,
                                                 std::string_view name) const;
    // The text of a string value, or nothing when there is no such string value.
    std::optional<std::string> stringValue(platform::RootKey root, std::string_view path,
                                           std::string_view name) const;
    std::optional<std::uint32_t> dwordValue(platform::RootKey root, std::string_view path,
                                            std::string_view name) const;
    // How many changes were attempted (successful or not).
    int writeAttempts() const { return writeAttempts_; }
    // How many values were asked for (found or not) in keys whose path begins with `prefix`, in any root.
    int queriesUnder(std::string_view prefix) const;

    struct Key;

private:
    Key* find(platform::RootKey root, std::string_view path) const;
    // Where a path opened with `rights` is stored.
    std::string stored(platform::RootKey root, std::string_view path, std::uint32_t rights) const;
    Key* ensure(platform::RootKey root, std::string_view path);
    platform::Status checkWrite(Key* key);
    // Deletes what it may below and in the key; true when nothing of it is left to keep it.
    static bool prune(Key& key);
    void store(Key& key, std::string_view name, platform::RegistryValue value);

    std::map<platform::RootKey, std::unique_ptr<Key>> roots_;
    std::uint32_t writeFailure_ = 0;
    int writeAttempts_ = 0;
    bool views_ = true;
    bool physicalNames_ = true;
    bool refuseWatches_ = false;
    std::vector<std::string> queried_;  // lower-cased paths
    std::vector<std::pair<platform::RootKey, std::string>> shared_;  // lower-cased paths
};

}  // namespace sorvane::fakes
