#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/registry.h"

namespace sorvane::scan {

// Small-icon index of a result row: its kind.
namespace icon {
inline constexpr int None = 0;
inline constexpr int Cookie = 1;
inline constexpr int Registry = 2;
inline constexpr int File = 3;
inline constexpr int Folder = 4;
inline constexpr int Excluded = 5;
}  // namespace icon

enum class FindingKind { Process, RegistryKey, RegistryValue, File, Folder, Cookie };

// Where a registry finding is: the hive, the key as the scan found it (the definition's key,
// or the physical path of the 32-bit programs' copy) and the value's name (empty for a key).
struct RegistryPlace {
    platform::RootKey root{};
    std::string key;
    std::string value;
};

// A line of the summary list.
struct SummaryRow {
    std::string text;
    int icon = icon::None;
};

// A row of the checkable removal list: what the user chooses to remove.
struct RemovalRow {
    std::string text;
    std::string location;
    std::string note;  // as shown: the definition's note, with the refusal where there is one
    int icon = icon::None;
};

// One item a scan (or a shield pass) found.
struct Finding {
    FindingKind kind = FindingKind::File;
    std::string threat;
    // The file or folder, the running program's executable, the cookie file or the cookie
    // store's location ("store|host").
    std::string path;
    RegistryPlace registry;  // for the registry kinds only
    std::string note;        // the definition line's note
    bool excluded = false;   // on the user's exclusion list: shown, never removed
    // Why this account may not remove it, empty when it may. A cookie store its browser
    // holds is a finding with no threat whose refusal says so.
    std::string refusal;

    // How the results lists show it: a summary line, a removal row (the first trace of a
    // threat has one), and a trace: a row of its kind's work list, which removal works through.
    std::optional<SummaryRow> summary;
    std::optional<RemovalRow> removal;
    bool trace = false;

    // A finding of this kind at a path; the caller adds what else it knows.
    static Finding at(FindingKind kind, std::string path) {
        Finding finding;
        finding.kind = kind;
        finding.path = std::move(path);
        return finding;
    }
    bool isRegistry() const { return kind == FindingKind::RegistryKey || kind == FindingKind::RegistryValue; }
};

// What one scan found, in the order found. Owned by the scan session and cleared when a scan
// starts; the lists of the window show it and may lose rows afterwards (removed, excluded),
// while the findings stay the record of that scan.
class Findings {
public:
    void add(Finding finding);
    void clear();

    const std::vector<Finding>& all() const { return items_; }
    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }

    std::size_t traces() const { return traces_; }
    bool anyRemovalRow() const { return removalRows_ > 0; }
    // True when an excluded finding with this summary line is recorded already.
    bool excludedAlready(std::string_view summaryText) const;
    // True when a summary line begins with the text, letter case aside. Threat summaries
    // (" - Found" at the end) are looked up by hash, so a scan with many threats stays linear.
    bool summaryHas(std::string_view prefix) const;
    // True when a file or folder trace is at this path, letter case aside.
    bool fileTraced(std::string_view path) const;

private:
    std::vector<Finding> items_;
    std::size_t traces_ = 0;
    std::size_t removalRows_ = 0;
    std::unordered_set<std::string> excludedSummaries_;
    // Every prefix of a summary line that ends in " - found", lower-cased.
    std::unordered_set<std::string> foundPrefixes_;
    std::unordered_set<std::string> tracedFiles_;
};

// A listed file not found at its usual place, with its definition's threat and note.
struct MissingFile {
    std::string name;
    std::string threat;
    std::string note;
};

// The missing files in the order met, looked up by name (letter case aside); the first
// definition of a name is the one a sweep's hit reports.
class MissingFiles {
public:
    void add(MissingFile file);
    void clear();
    const MissingFile* find(std::string_view name) const;
    bool empty() const { return files_.empty(); }
    const std::vector<MissingFile>& all() const { return files_; }

private:
    std::vector<MissingFile> files_;
    std::unordered_map<std::string, std::size_t> byName_;  // lower-cased name -> index
};

}  // namespace sorvane::scan
