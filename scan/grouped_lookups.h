#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"

// Existence tests of many definition lines at once, with exactly the answers of the tests
// line by line (FileExists, FolderExists, RegistryKeyExists, RegistryValueExists).
//
// A batch of the paths a scanner is about to test is planned first. A folder or key that
// several of them share is listed once; a name missing from a listing that succeeded then
// answers every line at or below it, and a present folder's files are looked up in its
// listing. Whatever a listing cannot settle goes to the test of the single line: a path in
// a form the system would reinterpret (short names, trailing dots, device names, non-ASCII
// letters whose case rules are the system's), a listing that failed, and every present key,
// whose rights still decide.
namespace sorvane::scan {

// What the listings of one scan told; kept for the whole scan, so each folder or key is
// listed at most once (within a bound on what is kept, past which it starts afresh).
class FolderListings {
public:
    explicit FolderListings(platform::FileSystem& files) : files_(files) {}

    // Lists the folders the batch's paths share; `files` and `folders` are paths as the
    // two tests take them.
    void plan(const std::vector<std::string>& files, const std::vector<std::string>& folders);
    bool fileExists(std::string_view path);
    bool folderExists(std::string_view path);
    // Forgets every listing, as at the start of a scan.
    void clear();

    // Folders listed so far (each once).
    std::size_t listings() const { return listings_; }

    struct Entry {
        std::uint32_t attributes = 0;
        bool ambiguous = false;  // two stored names differ only in letter case
    };
    struct Folder {
        // Unknown: not listed yet; Unsettled: its listing cannot settle anything.
        enum class State { Unknown, Unsettled, Absent, Listed } state = State::Unknown;
        std::unordered_map<std::string, Entry> entries;  // lower-cased names
    };

private:
    const Entry* entryOf(std::string_view path, bool& settled);

    platform::FileSystem& files_;
    std::unordered_map<std::string, Folder> folders_;  // lower-cased folder paths
    std::size_t kept_ = 0;
    std::size_t listings_ = 0;
};

// The same for registry keys and values.
class KeyListings {
public:
    explicit KeyListings(platform::Registry& registry) : registry_(registry) {}

    struct KeyQuery {
        platform::RootKey hive;
        std::string key;
    };
    struct ValueQuery {
        platform::RootKey hive;
        std::string key;
        std::string value;
    };
    void plan(const std::vector<KeyQuery>& keys, const std::vector<ValueQuery>& values);
    bool keyExists(platform::RootKey hive, std::string_view key);
    bool valueExists(platform::RootKey hive, std::string_view key, std::string_view value);
    void clear();

    std::size_t listings() const { return listings_; }

    struct Name {
        bool ambiguous = false;  // two stored names differ only in letter case
    };
    struct Key {
        enum class State { Unknown, Unsettled, Absent, Listed } state = State::Unknown;
        std::unordered_map<std::string, Name> subKeys;  // lower-cased names
        bool valuesTried = false;
        bool valuesListed = false;
        std::unordered_map<std::string, Name> values;   // lower-cased names
    };

private:
    Key* known(platform::RootKey hive, std::string_view key, bool& absent);

    platform::Registry& registry_;
    std::unordered_map<std::string, Key> keys_;  // hive number, "\", lower-cased key path
    std::string ownId_, upId_;  // the ids of the line being answered, kept to reuse their room
    std::size_t kept_ = 0;
    std::size_t listings_ = 0;
};

}  // namespace sorvane::scan
