#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

#include "platform/file_system.h"
#include "platform/locale.h"

// The definition files beside the executable and the one way to read them.
namespace sorvane::definitions {

inline constexpr std::string_view ExeDefinitionFile = "ExeDefinition.dat";
inline constexpr std::string_view RegistryDefinitionFile = "RegistryDefinition.dat";
inline constexpr std::string_view FileDefinitionFile = "FileDefinition.dat";
inline constexpr std::string_view DirectoryDefinitionFile = "DirectoryDefinition.dat";
inline constexpr std::string_view BlockedCookiesFile = "BlockedCookies.dat";
inline constexpr std::string_view SafetyFile = "Safety.dat";

enum class ReadOutcome {
    Missing,   // no such file: the phase finds nothing
    Finished,  // every line was handed over
    Stopped,   // the stop predicate answered true before a line
    Failed,    // the file could not be read further; the lines before were handed over
};

// Called before every line; true ends the reading.
using StopPredicate = std::function<bool()>;
// One decoded line as UTF-8 with its 1-based number in the file.
using LineHandler = std::function<void(std::size_t number, const std::string& line)>;
// A line longer than limits::MaxDefinitionLine; it is skipped.
using OverlongHandler = std::function<void(std::size_t number)>;

// Streams an encoded definition file: reads it in pieces, splits lines at CR LF (or a
// lone CR or LF), polls `stop` before each line, decodes the line, converts it from the
// ANSI code page and hands it to `onLine`. Memory stays bounded by the longest line.
ReadOutcome forEachDefinitionLine(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                                  const StopPredicate& stop, const LineHandler& onLine,
                                  const OverlongHandler& onOverlong = {});

// The same over a file of plain (not encoded) ANSI lines.
ReadOutcome forEachPlainLine(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                             const StopPredicate& stop, const LineHandler& onLine,
                             const OverlongHandler& onOverlong = {});

// The number of lines of a file; 0 when it is missing.
std::size_t countDefinitionLines(platform::FileSystem& fs, std::string_view path);

// The stored form of one clear UTF-8 line: ANSI, encoded, without a terminator.
std::string StoredDefinitionLine(platform::Locale& locale, std::string_view clear);
// Appends one clear UTF-8 line, encoded, with CR LF; creates the file when missing.
platform::Status appendDefinitionLine(platform::FileSystem& fs, platform::Locale& locale, std::string_view path,
                                      std::string_view clear);

}  // namespace sorvane::definitions
