#pragma once
#include <optional>
#include <string_view>

#include "platform/version_info.h"

namespace sorvane::platform::win32 {

// Version resources read with the version API (GetFileVersionInfoW / VerQueryValueW).
class Win32VersionResources final : public VersionResources {
public:
    std::optional<VersionInfo> ownExecutable() override;

    // The version resource of any executable file: the strings of its first listed
    // translation and the numbers of its fixed part. Empty when it has none.
    static std::optional<VersionInfo> ofFile(std::string_view path);
};

}  // namespace sorvane::platform::win32
