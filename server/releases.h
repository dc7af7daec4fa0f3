#pragma once
#include <compare>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/update_text.h"

// The folder of definition releases the reference server publishes: one sub-folder per
// release, named by its date ("2024-05-14" or "2024-05-14T09-30-00"), holding the six
// definition files in clear text ("FileDefinition.txt", ..., "Safety.txt").
namespace sorvane::server {

struct ReleaseDate {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    friend auto operator<=>(const ReleaseDate&, const ReleaseDate&) = default;
};

// A release folder's name as a date; nothing for other names.
std::optional<ReleaseDate> ParseFolderDate(std::string_view name);
// A client's date text in the United States form the client writes: "3/16/2006" or
// "3/16/2006 4:05:00 PM" (a 24-hour time without AM/PM is read as well).
std::optional<ReleaseDate> ParseClientDate(std::string_view text);
// "3/16/2006 12:00:00 AM": the form the client reads back.
std::string FormatClientDate(const ReleaseDate& date);

struct Release {
    ReleaseDate date;
    std::filesystem::path folder;
};

// The releases below `root`, oldest first. Folders with other names are ignored.
std::vector<Release> ListReleases(const std::filesystem::path& root);

// Reads a clear-text definition set; a missing file is an empty one.
DefinitionSet LoadDefinitionSet(const std::filesystem::path& folder);

// The release a client of `clientDate` holds: the newest at or before that date, or the
// oldest one when the client is older than every release (its definitions came with the
// program, which ships the oldest release).
const Release* ReleaseAtOrBefore(const std::vector<Release>& releases, const ReleaseDate& clientDate);

}  // namespace sorvane::server
