#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text helpers shared by every layer. Text is UTF-8; case folding covers ASCII and the
// Latin-1 letters, which is what names and paths of the ANSI code page 1252 can hold.
namespace sorvane::text {

// Removes blanks (spaces only, not tabs) at both ends.
std::string trim(std::string_view s);
std::string toLower(std::string_view s);
std::string toUpper(std::string_view s);
bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view s, std::string_view prefix);
// Position of the first occurrence ignoring case, or npos.
std::size_t findNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);
bool containsNoCase(std::string_view haystack, std::string_view needle);

std::string replaceAll(std::string_view s, std::string_view from, std::string_view to);
std::string replaceAllNoCase(std::string_view s, std::string_view from, std::string_view to);
// Splits at every separator; n separators give n + 1 pieces (so "" gives one empty piece).
std::vector<std::string> split(std::string_view s, std::string_view separator);
std::string join(const std::vector<std::string>& pieces, std::string_view separator);
// Splits file content into lines at CR LF, LF or CR; a final line ending adds no empty line.
std::vector<std::string> lines(std::string_view content);

// The numeric value of text as the classic Val() reads it: leading blanks, a sign and
// digits, stopping at the first other character; 0 when there is no number.
std::int64_t numericValue(std::string_view s);
// A boolean setting: "True"/"False" in any case, or a number (non-zero is true);
// anything else gives `fallback`.
bool booleanValue(std::string_view s, bool fallback = false);
inline std::string boolText(bool value) { return value ? "True" : "False"; }

// Bytes as lower-case hexadecimal digits, two a byte.
std::string toHex(std::string_view bytes);
// The bytes an even run of hexadecimal digits (either case) stands for; nothing for anything else.
std::optional<std::string> fromHex(std::string_view digits);

}  // namespace sorvane::text
