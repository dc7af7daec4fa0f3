#pragma once
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "update/applier.h"

// The incremental update text between two clear-text definition sets, as the reference
// server sends it to clients.
namespace sorvane::server {

// The six definition files in the order the client applies an update to them
// (update::UpdateFiles), under their clear-text names.
inline constexpr std::size_t DefinitionFileCount = update::UpdateFileCount;
inline constexpr std::array<std::string_view, DefinitionFileCount> ClearFileNames = {
    "FileDefinition.txt", "ExeDefinition.txt", "RegistryDefinition.txt",
    "BlockedCookies.txt", "DirectoryDefinition.txt", "Safety.txt"};

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

// The record that closes every update text served ("|END[DEF]": no section, an action clients
// ignore): a client that gets a body of unknown length knows by it that nothing was cut off.
inline constexpr std::string_view ClosingRecord = "[BR]|END[DEF]";
// `text` as it is sent: followed by the closing record.
std::string WithClosingRecord(std::string_view text);

// Why a client holding `from` must not be sent the difference to `to`: it empties a file, or
// it deletes more than `maxDeletedShare` (0 to 1) of a file's lines and at least
// `MinRefusedDeletions` of them. Empty when the difference may be sent.
inline constexpr std::size_t MinRefusedDeletions = 10;
std::string DestructiveDifference(const DefinitionSet& from, const DefinitionSet& to, double maxDeletedShare);

}  // namespace sorvane::server
