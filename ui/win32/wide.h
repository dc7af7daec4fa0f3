#pragma once
#include <string>
#include <string_view>

namespace sorvane::ui::win32 {

// UTF-8 inside, UTF-16 at the API edge; invalid input becomes replacement characters.
std::wstring widen(std::string_view utf8);
std::string narrow(std::wstring_view utf16);

}  // namespace sorvane::ui::win32
