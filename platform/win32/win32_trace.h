#pragma once
#include <string>
#include <string_view>

#include "platform/trace.h"

namespace sorvane::platform::win32 {

// The program's trace: every line goes to OutputDebugStringW (a debugger or DebugView shows
// it), and is also appended to "SorvaneTrace.log" in the user's temp folder while the log
// file is on. Installed for its own lifetime.
class Win32Trace final : public TraceSink {
public:
    // The log file is on from the start when the environment variable SORVANE_TRACE holds
    // anything but nothing or "0".
    Win32Trace();
    void write(std::string_view line) noexcept override;

    // Turns the log file on (a setting asks for it) or off.
    void logToFile(bool on);
    bool loggingToFile() const { return !logPath_.empty(); }
    // The log file's full path, whether or not it is on.
    static std::wstring LogFilePath();

private:
    std::wstring logPath_;
    ScopedTraceSink scope_;
};

}  // namespace sorvane::platform::win32
