#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace sorvane::scan {

// The CompanyName string of a file's version resource, found in the raw bytes without
// the system's version API; empty when the file cannot be read or has none. The file is
// read once, front to back, through bounded windows, so its size does not matter; the
// answer does not depend on the window's size (tests read through small ones).
inline constexpr std::size_t CompanyNameReadWindow = 1024 * 1024;
std::string CompanyNameOf(platform::FileSystem& files, std::string_view path,
                          std::size_t readWindow = CompanyNameReadWindow);

// True when the company names Microsoft, whose own programs are never reported.
bool IsMicrosoftCompany(std::string_view company);

}  // namespace sorvane::scan
