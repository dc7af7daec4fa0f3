#pragma once
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The incremental update text and what it does to each definition file, on the stored
// (single-byte, encoded) bytes. No file is touched here.
namespace sorvane::update {

// The six definition files in the order an update is applied to them.
inline constexpr std::size_t UpdateFileCount = 6;
inline constexpr std::array<std::string_view, UpdateFileCount> UpdateFiles = {
    "FileDefinition.dat", "ExeDefinition.dat", "RegistryDefinition.dat",
    "BlockedCookies.dat", "DirectoryDefinition.dat", "Safety.dat"};

// One record of an update text: the decoded section, the action as sent, and the payload
// as sent (encoded but for its "|" and "=" separators). The action and the payload are views
// into the update text, which must outlive the records; a section is a few letters.
struct UpdateRecord {
    std::string section;
    std::string_view action;
    std::string_view payload;
};

// Splits an update text at "[BR]" (any letter case), trims each record, skips empty ones
// and splits the rest at the first "[DEF]" and the header at its first "|". Missing parts
// are empty. At most limits::MaxUpdateRecords records are read. The records view `text`.
std::vector<UpdateRecord> ParseUpdateText(std::string_view text);

// The record the reference server ends every update text with: empty section, action
// "END", empty payload (an unknown action, which older programs skip). A body that came
// without a length is whole only when it ends with it.
inline constexpr std::string_view ClosingRecord = "[BR]|END[DEF]";
bool EndsWithClosingRecord(std::string_view text);

// Whether the file at `fileIndex` (of UpdateFiles) takes records of this decoded section.
bool SectionAccepted(std::size_t fileIndex, std::string_view section);

// The stored line (encoded, no line end) an "ADD" record writes into the file.
std::string WrittenLine(std::size_t fileIndex, const UpdateRecord& record);

// A line's name: its text before the first "=" (all of it without one), lower-cased for
// comparison (ASCII and Latin-1 letters). ClearLineName takes clear text, StoredLineName
// a stored line, PayloadName a payload as sent.
std::string ClearLineName(std::string_view clear);
std::string StoredLineName(std::string_view stored);
std::string PayloadName(std::string_view payload);

// The new content of one file and what the update did to it.
struct FileUpdate {
    std::string content;      // the whole new file, lines ended by CR LF
    std::size_t added = 0;    // "ADD" records written to it
    bool deletionPass = false;
    // The count this file adds to the update's total.
    std::size_t count() const { return added + (deletionPass ? 1 : 0); }
};

// Receives the number of lines read so far, every 100 lines of a deletion pass, and 0 every
// 1,000 records while the additions are gathered (a chance to let the window paint).
using DeletionProgress = std::function<void(std::size_t linesRead)>;

// The new content of the file at `fileIndex`, whose stored bytes are `oldContent`.
// Central mode appends the additions and, when the update deletes names from this file,
// drops every line of those names and every blank line. Custom mode rebuilds the file
// from the additions alone.
FileUpdate UpdateFileContent(std::size_t fileIndex, std::string_view oldContent,
                             const std::vector<UpdateRecord>& records, bool customMode,
                             const DeletionProgress& progress = {});

class FileChanges;

// What an update text does to each of the six files, gathered in one pass over the text: the
// lines each file gains and the names it loses. An update of many records is read once, not
// once a file. Reads the text as ParseUpdateText does; views it, so the text must outlive it.
class UpdateChanges {
public:
    // Reports 0 every 1,000 records read.
    explicit UpdateChanges(std::string_view text, const DeletionProgress& progress = {});
    ~UpdateChanges();
    UpdateChanges(UpdateChanges&&) noexcept;
    UpdateChanges& operator=(UpdateChanges&&) noexcept;

    // "ADD" records in the text, whichever files take them.
    std::size_t additionRecords() const { return additionRecords_; }

    // The new content of the file at `fileIndex`, the same as UpdateFileContent gives for the
    // text's records.
    FileUpdate apply(std::size_t fileIndex, std::string_view oldContent, bool customMode,
                     const DeletionProgress& progress = {}) const;

private:
    std::vector<FileChanges> files_;
    std::size_t additionRecords_ = 0;
};

}  // namespace sorvane::update
