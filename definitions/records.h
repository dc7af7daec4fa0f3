#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "definitions/path_macros.h"
#include "platform/registry.h"

// The records of the definition files, split the way every reader splits them. Each
// parser takes one decoded line (UTF-8) and never fails: a line it cannot use gives
// nothing, and `why` (when given) says why.
namespace sorvane::definitions {

// Hive codes 0 to 5 of registry locations.
struct Hive {
    platform::RootKey root;
    std::string_view name;  // "HKEY_LOCAL_MACHINE"
};

// The hive of a code written as a whole number ("2"); nothing for blanks, other
// numbers and text that is no number.
std::optional<Hive> HiveFromCode(std::string_view code);
// The full name of a hive ("HKEY_CURRENT_USER"); empty for an unknown handle.
std::string_view CurrentHiveName(platform::RootKey root);
// The hive handle read as a signed 32-bit number ("-2147483646"), as work rows hold it,
// and back.
std::string HiveHandleText(platform::RootKey root);
std::optional<platform::RootKey> HiveFromHandleText(std::string_view text);

// "ExeDefinition.dat": NAME=THREAT|FOLDER.
struct ProcessDefinition {
    std::string name;
    std::string threat;
    std::string folder;  // as written, macros unexpanded
    std::string path;    // folder expanded, a backslash and the name, collapsed
};
// Nothing when the line has no "=" (it names no path).
std::optional<ProcessDefinition> ParseProcessLine(std::string_view line, const PathMacros& macros,
                                                  std::string* why = nullptr);

// "RegistryDefinition.dat": HIVE^KEY^VALUE=THREAT[|NOTE].
struct RegistryDefinition {
    Hive hive;
    std::string key;
    std::string value;   // empty: the definition names the whole key
    std::string threat;  // the threat part before its first "|", may be empty
    std::string note;
    // Hive name, "\", KEY and VALUE joined: the text shown and tested against the lists.
    std::string itemText() const;
    // Hive name, "\", KEY.
    std::string keyText() const;
};
std::optional<RegistryDefinition> ParseRegistryLine(std::string_view line, const PathMacros& macros,
                                                    std::string* why = nullptr);

// "FileDefinition.dat": NAME=THREAT|FOLDER[|NOTE].
struct FileDefinition {
    std::string name;    // trimmed
    std::string threat;  // untrimmed
    std::string folder;  // expanded and collapsed; empty for a line without "|"
    std::string note;
    std::string path;    // the name alone when the folder is empty
};
// Nothing only for a line whose name is blank.
std::optional<FileDefinition> ParseFileLine(std::string_view line, const PathMacros& macros,
                                            std::string* why = nullptr);

// "DirectoryDefinition.dat": LABEL=THREAT|FOLDER[|NOTE].
struct FolderDefinition {
    std::string label;   // CR, LF and TAB removed; shown as progress only
    std::string threat;
    std::string path;    // expanded and collapsed
    std::string note;
};
// Nothing for a line without "|".
std::optional<FolderDefinition> ParseFolderLine(std::string_view line, const PathMacros& macros,
                                                std::string* why = nullptr);

// "BlockedCookies.dat": the decoded lines joined with "|" and split again, so the
// list ends with one empty entry.
std::vector<std::string> CookiePatternList(const std::vector<std::string>& lines);

// "Safety.dat": TYPE|NAME|LOCATION[|EXTRA]. The entry text of the line, or nothing.
std::optional<std::string> SafeEntryText(std::string_view line, const PathMacros& macros, std::string* why = nullptr);

}  // namespace sorvane::definitions
