#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/locale.h"

namespace sorvane::removal {

// CookieRows: one host's rows of a browser's cookie database, kept as a file of their values.
enum class EntryKind { File, Folder, Cookie, Link, RegistryValue, RegistryKey, CookieRows };
enum class EntryState { Kept, Removed, Resisted, Restored };

std::string_view KindName(EntryKind kind);
std::string_view StateName(EntryState state);

// One registry value exactly as stored: its type and raw bytes.
struct ExportedValue {
    std::string name;
    std::uint32_t type = 0;
    std::string data;
    friend bool operator==(const ExportedValue&, const ExportedValue&) = default;
};

// A key with everything below it.
struct ExportedKey {
    std::string name;
    std::vector<ExportedValue> values;
    std::vector<ExportedKey> keys;
    friend bool operator==(const ExportedKey&, const ExportedKey&) = default;
};

// A file kept inside a kept folder, by its path below that folder.
struct KeptFile {
    std::string path;
    std::uint64_t size = 0;
    std::string sha256;
    friend bool operator==(const KeptFile&, const KeptFile&) = default;
};

// One removed item: where it was, what of it the quarantine keeps and what became of it.
struct IndexEntry {
    std::uint64_t id = 0;
    std::string date;  // the run's local date and time, "2006-03-16T21:05:07"
    std::string threat;
    EntryKind kind = EntryKind::File;
    std::string original;  // the full path, or the root key's name, "\" and the key path
    std::string kept;      // the name in the quarantine folder; empty for registry items and links
    std::uint64_t size = 0;
    std::string sha256;
    std::vector<KeptFile> files;  // the files of a kept folder
    EntryState state = EntryState::Kept;
    // Registry items: the root's name, the key path, and the data taken just before deletion.
    std::string root;
    std::string key;
    std::optional<ExportedValue> value;
    std::optional<ExportedKey> tree;
    friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

// Reads the text of an index; nothing when it is not a well-formed index. Every field is
// checked: the file is outside input once on disk.
std::optional<std::vector<IndexEntry>> ParseQuarantineIndex(std::string_view text);
std::string SerializeQuarantineIndex(const std::vector<IndexEntry>& entries);

// "2006-03-16T21:05:07".
std::string IndexDate(const platform::DateTime& value);
std::optional<platform::DateTime> ParseIndexDate(std::string_view text);
// Whole days from the first to the second date (negative when the second is earlier).
std::int64_t DaysBetween(const platform::DateTime& from, const platform::DateTime& to);

// quarantine\index.json: loaded whole, changed in memory, and written back atomically
// (beside, then moved over) after every change, so that a kill leaves the old index or the new.
class QuarantineIndex {
public:
    QuarantineIndex(platform::FileSystem& files, std::string folder);

    const std::string& path() const { return path_; }
    // Reads the index; an absent file is an empty index. False when it exists but cannot
    // be read as an index: it is then moved aside, so that nothing written later replaces it.
    bool load();
    // False when it cannot be read: an unreadable file is left where it is.
    bool loadForReading();
    bool save();

    std::vector<IndexEntry>& entries() { return entries_; }
    IndexEntry* find(std::uint64_t id);
    // Adds an entry under a new id and saves; answers the id, or nothing (and keeps nothing)
    // when the index could not be written.
    std::optional<std::uint64_t> add(IndexEntry entry);
    void setState(std::uint64_t id, EntryState state);
    bool remove(std::uint64_t id);

private:
    enum class Loaded { Absent, Read, Unreadable };
    Loaded read();

    platform::FileSystem& files_;
    std::string folder_;
    std::string path_;
    std::vector<IndexEntry> entries_;
};

}  // namespace sorvane::removal
