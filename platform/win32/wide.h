#pragma once
#include <string>
#include <string_view>

// The two conversions between the program's UTF-8 text and the UTF-16 of the ...W calls.
namespace sorvane::platform::win32 {

std::wstring widen(std::string_view text);
std::string narrow(std::wstring_view text);
// narrow into a buffer the caller reuses (no allocation once it is large enough).
void narrowInto(std::wstring_view text, std::string& utf8);

// UTF-8 text to and from the system's ANSI code page, for the ...A calls and ANSI files.
std::string ansiFromUtf8(std::string_view text);
std::string utf8FromAnsi(std::string_view ansi);

}  // namespace sorvane::platform::win32
