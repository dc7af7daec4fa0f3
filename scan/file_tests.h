#pragma once
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace sorvane::scan {

// The exact-name file test: a plain file whose stored name equals the last component of
// the path, ignoring case. Hidden files, system files and folders count as absent.
bool FileExists(platform::FileSystem& files, std::string_view path);
// True when the path names an existing folder (any attributes) or a drive root.
bool FolderExists(platform::FileSystem& files, std::string_view path);

// The text after the last backslash (kept here for the scanners that name it so).
using platform::LastPathComponent;

}  // namespace sorvane::scan
