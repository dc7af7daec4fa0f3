#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/locale.h"

namespace sorvane::localization {

// The translation file beside the executable.
inline constexpr std::string_view TranslationFileName = "Localization.xml";

// One LANGUAGE_GROUP of a translation file.
struct LanguageGroup {
    std::string name;   // the LANGUAGE_NAME text
    std::string items;  // the TRANSLATION_ITEMS text; empty when the group has none
    bool hasItems = false;
};

// The groups of a translation file's text, in file order. Only the markers count (found
// without regard to case); a group or name without its closing marker ends the reading.
std::vector<LanguageGroup> ReadLanguageGroups(std::string_view text);
// The items text of the first group named `name` (any letter case).
std::optional<std::string> FindLanguageItems(std::string_view text, std::string_view name);
// Item lines: the items text split at CR LF.
std::vector<std::string> SplitItemLines(std::string_view items);

// Text as UTF-8: leading byte-order marks dropped and every byte that is no valid UTF-8 replaced by U+FFFD.
std::string DecodeUtf8(std::string_view bytes);
// Cuts text to at most `limit` bytes without splitting a UTF-8 character.
std::string CutText(std::string_view text, std::size_t limit);

// True when a file of exactly this name exists (normal, read-only, hidden or system); any error gives false.
bool LangFileExists(platform::FileSystem& files, std::string_view path);
// The part after the last "\"; the whole text when it has none.
std::string LangTrimPath(std::string_view path);

// The translation file read whole as UTF-8; nothing when it is missing, unreadable or over its limit.
std::optional<std::string> ReadTranslationFile(platform::FileSystem& files, std::string_view path);

// Writes a file beside the target, then moves it over the target in one step, so that a
// failure at any point leaves the old file or the new one.
[[nodiscard]] platform::Status WriteReplacing(platform::FileSystem& files, std::string_view path,
                                              std::string_view bytes);

}  // namespace sorvane::localization
