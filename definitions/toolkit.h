#pragma once
#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "definitions/definition_files.h"
#include "definitions/path_macros.h"

// Tools for people who write definition files: what a reader makes of each line.
namespace sorvane::definitions {

enum class RecordKind { Process, Registry, File, Folder, Cookie, Safe };

// "exe", "registry", "file", "folder", "cookie" or "safe".
std::optional<RecordKind> RecordKindFromName(std::string_view name);
// The kind a definition file's name stands for ("RegistryDefinition.dat", "Safety.txt").
std::optional<RecordKind> RecordKindOfFile(std::string_view path);

// One decoded line as its reader sees it, written to `out` without a line end; false
// when the reader skips the line.
bool DescribeDefinitionLine(RecordKind kind, const std::string& line, const PathMacros& macros, std::ostream& out);

struct LintSummary {
    ReadOutcome outcome = ReadOutcome::Missing;
    std::size_t lines = 0;
    std::size_t skipped = 0;
};

// Writes "N: ..." for every line of a definition file (encoded, or clear when `encoded`
// is false) and a closing count.
LintSummary LintDefinitionFile(platform::FileSystem& fs, platform::Locale& locale, const PathMacros& macros,
                               std::string_view path, RecordKind kind, bool encoded, std::ostream& out);

}  // namespace sorvane::definitions
