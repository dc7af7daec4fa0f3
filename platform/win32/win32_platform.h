#pragma once
#include <memory>

#include "platform/platform.h"

namespace sorvane::platform::win32 {

// Every real operating-system service, owned for the life of the program. The version
// resource reader is handed in (Win32VersionResources in the usual build).
class Win32Platform {
public:
    explicit Win32Platform(VersionResources& versions);
    ~Win32Platform();
    Win32Platform(const Win32Platform&) = delete;
    Win32Platform& operator=(const Win32Platform&) = delete;

    Platform& platform();

private:
    struct Services;
    std::unique_ptr<Services> services_;
};

}  // namespace sorvane::platform::win32
