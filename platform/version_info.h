#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorvane::platform {

// The strings and fixed numbers of an executable's VERSIONINFO resource.
struct VersionInfo {
    std::string productName;
    std::string companyName;
    std::string fileDescription;
    std::string comments;
    std::string fileVersion;
    std::string productVersion;
    std::string legalCopyright;
    std::uint16_t major = 0;
    std::uint16_t minor = 0;
    std::uint16_t revision = 0;
    std::uint16_t build = 0;
};

class VersionResources {
public:
    virtual ~VersionResources() = default;
    // The version resource of this program's own executable.
    virtual std::optional<VersionInfo> ownExecutable() = 0;
};

}  // namespace sorvane::platform
