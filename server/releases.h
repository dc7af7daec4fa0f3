#pragma once
#include <compare>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/locale.h"
#include "server/update_text.h"

// The folder of definition releases the reference server publishes: one sub-folder per
// release, named by its date ("2024-05-14" or "2024-05-14T09-30-00"), holding the six
// definition files in clear text ("FileDefinition.txt", ..., "Safety.txt") and, written
// last, the marker file "RELEASE-COMPLETE". A folder without the marker is still being
// copied and is not served.
namespace sorvane::server {

inline constexpr std::string_view CompleteMarkerName = "RELEASE-COMPLETE";
// Marks the release a product ships with: clients older than every release update from it.
inline constexpr std::string_view BaseMarkerName = "RELEASE-BASE";

using ReleaseDate = platform::DateTime;

// A release folder's name as a date; nothing for other names.
std::optional<ReleaseDate> ParseFolderDate(std::string_view name);

// The dates a client's date text can stand for. Clients render their date in the system's
// short date form: "3/16/2006 4:05:00 PM" (M/D/Y), "16/3/2006" (D/M/Y), "16.03.2006 16:05:00"
// (D.M.Y), "2006-03-16" or "2006/03/16" (Y/M/D), with a 12-hour time marked AM or PM before or
// after it, or a 24-hour time. A slash date whose first two numbers are both 12 or less and
// differ reads both ways; a 12-hour time marked in another language (bytes of the client's
// code page, such as "오후") reads as morning and as afternoon. `error` says why a text has no
// reading.
struct ClientDateReadings {
    std::vector<ReleaseDate> dates;
    std::string error;
};
ClientDateReadings ReadClientDate(std::string_view text);
// The one reading of a client's date text; nothing when it has none or two.
std::optional<ReleaseDate> ParseClientDate(std::string_view text);


struct Release {
    ReleaseDate date;
    std::filesystem::path folder;
    bool base = false;    // holds the base marker
    std::string identity;  // the folder and the moment its marker was written: a new copy is a new release
};

// What a look at a folder of releases found.
struct ReleaseScan {
    std::vector<Release> releases;                  // complete ones, oldest first
    std::vector<std::string> skipped;               // why each incomplete or unreadable one is left out
    std::vector<std::filesystem::path> incomplete;  // folders named as releases that lack their marker
};

ReleaseScan ScanReleases(const std::filesystem::path& root);

// The folder of a product's releases: ROOT/PROG/COMP when that folder exists, else ROOT
// itself. Names that are not one plain folder name ("..", "a/b", control bytes) get ROOT.
std::filesystem::path ProductReleaseFolder(const std::filesystem::path& root, std::string_view prog,
                                           std::string_view comp);

// Reads a clear-text definition set. Every one of the six files must be there and readable:
// a missing file is an error (`error` names it), never an empty file.
std::optional<DefinitionSet> ReadDefinitionSet(const std::filesystem::path& folder, std::string* error = nullptr);

// The release a client of `clientDate` holds: the newest at or before that date. A client
// older than the oldest release marked as a base holds what its program shipped: that base
// (releases older than it may have been kept, or pruned). With no base marked, a client older
// than every release holds the oldest one.
const Release* ReleaseAtOrBefore(const std::vector<Release>& releases, const ReleaseDate& clientDate);

}  // namespace sorvane::server
