#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

// The incremental update text between two clear-text definition sets, as the reference
// server sends it to clients.
namespace sorvane::server {

// The six definition files in the order the client applies an update to them.
inline constexpr std::size_t DefinitionFileCount = 6;
inline constexpr std::array<std::string_view, DefinitionFileCount> ClearFileNames = {
    "FileDefinition.txt", "ExeDefinition.txt", "RegistryDefinition.txt",
    "BlockedCookies.txt", "DirectoryDefinition.txt", "Safety.txt"};
inline constexpr std::array<std::string_view, DefinitionFileCount> StoredFileNames = {
    "FileDefinition.dat", "ExeDefinition.dat", "RegistryDefinition.dat",
    "BlockedCookies.dat", "DirectoryDefinition.dat", "Safety.dat"};

// Clear lines (single-byte text, no terminators) of each file, in the order above.
struct DefinitionSet {
    std::array<std::vector<std::string>, DefinitionFileCount> files;
};

struct UpdateText {
    std::string text;
    // Changes the update language cannot carry exactly (for the publisher to look at).
    std::vector<std::string> warnings;
};

// One record: the encoded section, "|", the action, "[DEF]" and the payload encoded but
// for its "|" and "=" separators.
std::string UpdateRecord(std::string_view section, std::string_view action, std::string_view clearPayload);

// The records that turn `from` into `to`: every deletion first, then every addition, so
// that an addition of a deleted name keeps its new lines.
UpdateText MakeUpdateText(const DefinitionSet& from, const DefinitionSet& to);

// What a client holding `from` would get wrong after applying `text` instead of holding `to`
// (one line per file that comes out different; nothing when the text is exact).
std::vector<std::string> CheckUpdateText(const DefinitionSet& from, const DefinitionSet& to, std::string_view text);

// Every line of `set` as an addition, for a feed applied in rebuild mode.
UpdateText MakeFullText(const DefinitionSet& set);

}  // namespace sorvane::server
