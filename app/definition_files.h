#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/locale.h"

namespace sorvane::app {

// What a file was when its lines were counted: a rewrite changes its size or write time.
struct FileStamp {
    bool taken = false;
    bool present = false;
    std::uint64_t size = 0;
    std::uint64_t lastWriteTime = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// Line counts of the five definition files; a missing file counts 0.
struct DefinitionCounts {
    std::int32_t cookies = 0;
    std::int32_t exe = 0;
    std::int32_t registry = 0;
    std::int32_t file = 0;
    std::int32_t directory = 0;
    std::int32_t total() const { return cookies + exe + registry + file + directory; }
    // The files as they were counted, in the order above.
    std::array<FileStamp, 5> stamps{};
};

// The definitions date shown when "date.dat" is missing.
inline constexpr std::string_view DefaultDefinitionsDate = "3/16/2006 12:00:00 AM";

// Moves each waiting "DL" copy over its definition file; a failing file is skipped.
void InstallDownloadedDefinitions(platform::FileSystem& files, std::string_view folder);
// Counts the lines of the definition files that exist.
DefinitionCounts CountDefinitions(platform::FileSystem& files, std::string_view folder);
// The same, reading again only the files that changed since `known` was counted.
DefinitionCounts RecountChangedDefinitions(platform::FileSystem& files, std::string_view folder,
                                           const DefinitionCounts& known);
// Number of lines of one file: CR LF, LF or CR end a line, and a last line without an ending counts.
std::int32_t CountFileLines(platform::FileSystem& files, std::string_view path);
// The name of the first definition file that is missing, or empty when all five exist.
std::string FirstMissingDefinitionFile(platform::FileSystem& files, std::string_view folder);
// Deletes the definition files and "date.dat", so that the next update is a full download.
void DeleteDefinitionFiles(platform::FileSystem& files, std::string_view folder);
// The first line of "date.dat" (ANSI code page) as UTF-8, or the default date when there is none.
std::string ReadDefinitionsDate(platform::FileSystem& files, platform::Locale& locale, std::string_view folder);

}  // namespace sorvane::app
