#pragma once
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace sorvane::app {

// The quarantine folder beside the program: "<application folder>\quarantine". Removal
// keeps its copies there and the drive sweep never looks inside.
inline std::string QuarantineFolderOf(std::string_view applicationFolder) {
    return platform::JoinPath(applicationFolder.empty() ? "\\" : applicationFolder, "quarantine");
}

}  // namespace sorvane::app
