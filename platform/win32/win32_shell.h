#pragma once
#include "platform/shell.h"

namespace sorvane::platform::win32 {

class Win32Shell final : public Shell {
public:
    std::string specialFolder(int csidl) override;
    Status open(std::string_view target) override;
    Status start(std::string_view commandLine, ShowWindow show) override;
};

}  // namespace sorvane::platform::win32
