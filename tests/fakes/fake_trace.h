#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "platform/trace.h"

namespace sorvane::fakes {

// Keeps every trace line while it is installed, so that a test sees a failure reach the trace.
class MemoryTrace final : public platform::TraceSink {
public:
    MemoryTrace() : scope_(*this) {}
    void write(std::string_view line) noexcept override {
        try {
            lines.emplace_back(line);
        } catch (...) {
            // A test out of memory fails on its own; the line is lost with it.
        }
    }
    bool holds(std::string_view piece) const {
        for (const auto& line : lines)
            if (line.find(piece) != std::string::npos) return true;
        return false;
    }
    std::vector<std::string> lines;

private:
    platform::ScopedTraceSink scope_;
};

}  // namespace sorvane::fakes
