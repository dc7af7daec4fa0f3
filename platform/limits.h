#pragma once
#include <cstddef>
#include <cstdint>

// Hard limits on what the program reads from outside. Every parser of outside data
// takes its bounds from here.
namespace sorvane::limits {

inline constexpr std::size_t MaxDefinitionLine = 64 * 1024;          // bytes in one definition line
inline constexpr std::size_t MaxDefinitionFile = 256 * 1024 * 1024;  // bytes in one definition file
inline constexpr std::size_t MaxTextFile = 64 * 1024 * 1024;         // exclusions, logs, cookie files
inline constexpr std::size_t MaxCookieFile = 4 * 1024 * 1024;
inline constexpr std::size_t MaxBrowserProfileList = 16 * 1024 * 1024;  // a browser's "Local State" or profiles.ini
inline constexpr std::size_t MaxBrowserProfiles = 1024;             // profiles taken from one browser
inline constexpr std::size_t MaxCookieRows = 4 * 1024 * 1024;         // rows read from one cookie store
inline constexpr std::size_t MaxVersionResource = 1024 * 1024;       // bytes of one VERSIONINFO block
inline constexpr std::size_t MaxHttpBody = 64 * 1024 * 1024;
// A stalled or trickling server ends the fetch instead of hanging the program.
inline constexpr std::uint32_t HttpConnectTimeoutMs = 15 * 1000;
inline constexpr std::uint32_t HttpReceiveTimeoutMs = 20 * 1000;      // silence within one read
inline constexpr std::uint64_t MaxHttpTransferMs = 120 * 1000;        // one whole document
// A stalled management service ends the process query instead of freezing the window.
inline constexpr std::uint32_t ProcessQueryTimeoutMs = 10 * 1000;  // one row of the answer
inline constexpr std::size_t MaxUpdateRecords = 1024 * 1024;           // records read from one update text
inline constexpr std::size_t MaxTranslationFile = 16 * 1024 * 1024;
inline constexpr std::size_t MaxBannerBytes = 1024 * 1024;           // the banner image as fetched
inline constexpr std::uint32_t MaxBannerSide = 4096;                 // its width and height in pixels
inline constexpr std::size_t MaxLanguageGroups = 1024;               // languages read from one translation file
inline constexpr std::size_t MaxTranslationLines = 1 << 16;          // item lines read from one language
inline constexpr std::size_t MaxCaptionText = 4096;                  // bytes of a caption set from outside text
inline constexpr std::size_t MaxPathLength = 32767;
inline constexpr std::size_t MaxFolderDepth = 256;                   // drive sweep recursion
inline constexpr std::size_t MaxStartPageChars = 1024;               // the browser's start page, with its NUL
inline constexpr std::size_t MaxQuarantineIndex = 64 * 1024 * 1024;  // bytes of quarantine\index.json
inline constexpr std::size_t MaxRegistryDepth = 512;                 // key levels below a root, as the system allows
inline constexpr std::size_t MaxRegistryValueData = 16 * 1024 * 1024;  // bytes of one exported value
inline constexpr std::size_t MaxListedNames = 1 << 15;               // folders, keys and listed names one scan keeps
inline constexpr std::size_t MaxGroupedPath = 240;                   // longer paths are tested one by one, well inside MAX_PATH
inline constexpr std::size_t MaxLookaheadLines = 4096;               // definition lines a scanner plans its tests over
inline constexpr std::size_t MaxLookaheadBytes = 1024 * 1024;        // and their bytes
inline constexpr std::size_t MaxRememberedCompanies = 4096;          // company names one scan keeps, one per file

}  // namespace sorvane::limits
