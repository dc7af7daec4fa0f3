#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace sorvane::platform {

// Below this many UTF-16 units every file call takes a path as it is; a folder path may be no
// longer than MAX_PATH less room for an 8.3 name (248), a file path no longer than MAX_PATH.
inline constexpr std::size_t LongPathThreshold = 248;

// The length of UTF-8 text counted in UTF-16 units, as the ...W calls count a path.
std::size_t Utf16Length(std::string_view text);

// The spelling of a path that the file calls accept beyond MAX_PATH: a drive path or a network
// path of at least LongPathThreshold units becomes "\\?\C:\..." or "\\?\UNC\server\share\...",
// written as Windows would normalize it first (backslashes, no empty, "." or ".." parts, no
// trailing dots or spaces on the last name), since the prefix switches that normalization off.
// Shorter paths, relative paths and paths already in a device namespace come back unchanged.
std::string ExtendedLengthPath(std::string_view path);

}  // namespace sorvane::platform
