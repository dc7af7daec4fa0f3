#include "platform/trace.h"

#include <cstdio>
#include <exception>
#include <string>

namespace sorvane::platform {
namespace {

TraceSink* installed = nullptr;

}  // namespace

ScopedTraceSink::ScopedTraceSink(TraceSink& sink) noexcept : previous_(installed) { installed = &sink; }

ScopedTraceSink::~ScopedTraceSink() { installed = previous_; }

void Trace(std::string_view where, std::string_view what) noexcept {
    if (installed == nullptr) return;
    try {
        std::string line(where);
        line += ": ";
        line += what;
        installed->write(line);
    } catch (...) {
        // Out of memory while composing a line: there is nowhere left to say so.
        installed->write(where);
    }
}

void TraceCaughtException(std::string_view where) noexcept {
    try {
        throw;
    } catch (const std::exception& caught) {
        Trace(where, caught.what());
    } catch (...) {
        Trace(where, "unknown exception");
    }
}

bool TraceFailure(Status status, std::string_view where) noexcept {
    if (status.ok()) return true;
    char code[32];
    std::snprintf(code, sizeof code, "failed with error %lu", static_cast<unsigned long>(status.code()));
    Trace(where, code);
    return false;
}

}  // namespace sorvane::platform
