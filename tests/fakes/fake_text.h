#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Conversions the fakes need to store data the way Windows does.
namespace sorvane::fakes {

// UTF-8 text as UTF-16LE bytes, with a closing NUL when asked (registry strings).
std::vector<std::uint8_t> utf16Bytes(std::string_view utf8, bool closingNul = true);
// UTF-16LE bytes as UTF-8 text, up to the first NUL character.
std::string utf8FromUtf16Bytes(const std::vector<std::uint8_t>& bytes);

// Windows-1252, the ANSI code page of an English system.
std::string toCp1252(std::string_view utf8);
std::string fromCp1252(std::string_view ansi);

}  // namespace sorvane::fakes
