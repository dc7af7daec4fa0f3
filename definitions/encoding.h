#pragma once
#include <string>
#include <string_view>

// The character-shift encoding of definition lines. It works on single-byte ANSI
// codes: readers decode the stored bytes and then convert them from the ANSI code
// page; writers convert to ANSI and then encode.
namespace sorvane::definitions {

// The shift shared by every definition file, the update writer and the data
// submission. With 124, no character of code page 1252 encodes to CR or LF (their
// sources 0x8D and 0x90 are unassigned there), and "|" comes only from NUL.
inline constexpr int DefinitionKey = 124;

// Every code c becomes c + K, wrapped by 255 (not 256): 255 encodes like 0.
std::string EncodeLine(std::string_view clear);
// Every code c becomes c - K, wrapped by 255; the same length comes back.
std::string DecodeLine(std::string_view stored);

// Whole file contents: every line shifted, CR and LF kept in clear where they stand.
std::string EncodeText(std::string_view clear);
std::string DecodeText(std::string_view stored);

}  // namespace sorvane::definitions
