#pragma once
#include <string_view>

#include "platform/status.h"

namespace sorvane::platform {

// Where the failures the program steps over are written down: a handler that threw, a
// call whose failure the user is not told about. The program goes on as before; the trace
// is what a developer reads afterwards. The real sink is OutputDebugString (and a log file
// when asked for, platform/win32/win32_trace.h); tests install an in-memory one.
class TraceSink {
public:
    virtual ~TraceSink() = default;
    virtual void write(std::string_view line) noexcept = 0;
};

// Installs a sink for its own lifetime and puts the one before back afterwards. The sink is
// process-wide because failures happen where no Platform reaches: inside a window procedure,
// or before the platform exists.
class ScopedTraceSink {
public:
    explicit ScopedTraceSink(TraceSink& sink) noexcept;
    ~ScopedTraceSink();
    ScopedTraceSink(const ScopedTraceSink&) = delete;
    ScopedTraceSink& operator=(const ScopedTraceSink&) = delete;

private:
    TraceSink* previous_;
};

// "<where>: <what>" to the installed sink; nothing without one.
void Trace(std::string_view where, std::string_view what) noexcept;
// Inside a catch block: names what was caught (a std::exception's what(), else "unknown exception").
void TraceCaughtException(std::string_view where) noexcept;
// A status the caller steps over: traced with its Win32 code when it is a failure. Returns
// the status's ok() so that a caller may still branch on it.
bool TraceFailure(Status status, std::string_view where) noexcept;

}  // namespace sorvane::platform
