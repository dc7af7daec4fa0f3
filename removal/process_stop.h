#pragma once
#include <cstdint>
#include <string_view>

#include "platform/processes.h"
#include "ui/host.h"

namespace sorvane::removal {

// Stops the first running process whose executable matches the file name (also through
// its 8.3 alias). True when none runs or it was stopped; false when it survived every attempt.
bool StopProcessByName(platform::Processes& processes, ui::Host& host, std::string_view fileName);

// Terminates one process, with the debug privilege on the NT family; true when the
// termination call succeeded.
bool StopProcess(platform::Processes& processes, std::uint32_t id, std::uint32_t exitCode);

// The name as the stop compares it: short names lose their extension, long ones keep
// their first 15 characters.
std::string ReducedProcessName(std::string_view name);

}  // namespace sorvane::removal
