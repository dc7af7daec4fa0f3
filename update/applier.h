#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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

class DeletionSet;

// What an update text does to each of the six files, read in one pass over the text: each
// "ADD" and "DEL" record with the files that take it. An update of many records is read once,
// not once a file. Reads the text as ParseUpdateText does; views it, so the text must outlive it.
class UpdateChanges {
public:
    // Reports 0 every 1,000 records read.
    explicit UpdateChanges(std::string_view text, const DeletionProgress& progress = {});
    // Records already read; they must outlive it.
    explicit UpdateChanges(const std::vector<UpdateRecord>& records, const DeletionProgress& progress = {});
    ~UpdateChanges();
    UpdateChanges(UpdateChanges&&) noexcept;
    UpdateChanges& operator=(UpdateChanges&&) noexcept;

    // "ADD" records in the text, whichever files take them.
    std::size_t additionRecords() const { return additionRecords_; }

    // The new content of the file at `fileIndex` (of UpdateFiles), whose stored bytes are
    // `oldContent`: the same as UpdateFileContent gives for the text's records. Not const: the
    // working memory of one file is kept for the next.
    FileUpdate apply(std::size_t fileIndex, std::string_view oldContent, bool customMode,
                     const DeletionProgress& progress = {});

private:
    struct Routed {
        const char* payload = nullptr;
        std::uint32_t length = 0;
        std::uint32_t run : 31 = 0;       // in runs_
        std::uint32_t addition : 1 = 0;   // "ADD"; else "DEL"
    };
    // Records in a row of one decoded section: the files that take them are worked out once a
    // run, and what they can write is counted as they are read.
    struct Run {
        std::size_t first = 0, end = 0;  // in records_
        std::string section;
        std::uint8_t files = 0;  // bit i: UpdateFiles[i] takes the records
        std::size_t additions = 0, additionBytes = 0, deletions = 0, deletionBytes = 0;
    };

    void beginRun(std::string_view section);
    // Drops the last run when no file takes anything of it.
    void endRun();
    // Adds one "ADD" or "DEL" record to the last run; counts the others.
    void route(std::string_view action, std::string_view payload);

    std::vector<Routed> records_;
    std::vector<Run> runs_;
    // The end of the text the records view, when they come from one: names are read from it a
    // block at a time.
    const char* textEnd_ = nullptr;
    std::size_t additionRecords_ = 0;
    std::unique_ptr<DeletionSet> deletionSet_;
};

}  // namespace sorvane::update
