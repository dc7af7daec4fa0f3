#pragma once
#include <string>
#include <string_view>

namespace sorvane::removal {

// The quarantine folder beside the program: "<application folder>\quarantine". Removal
// keeps its copies there and the drive sweep never looks inside.
inline std::string QuarantineFolderOf(std::string_view applicationFolder) {
    std::string folder(applicationFolder);
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + "quarantine";
}

}  // namespace sorvane::removal
