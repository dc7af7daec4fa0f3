#pragma once
#include <cstdint>
#include <string_view>

#include "platform/processes.h"
#include "ui/host.h"

namespace sorvane::processes {

// Stops the first running process whose executable matches the file name (also through
// its 8.3 alias). True when none runs or it was stopped; false when it survived every
// attempt or the running processes could not be listed.
bool StopProcessByName(platform::Processes& processes, ui::Host& host, std::string_view fileName);

// Stops the process a scan matched, by its id, so that another program of the same file
// name is never ended in its place. True when it was stopped or has already ended (its id
// gone, or reused by a program of another name); false when it survived every attempt or
// the running processes could not be listed. Without an id (0) the first process of that
// name is stopped instead.
bool StopMatchedProcess(platform::Processes& processes, ui::Host& host, std::uint32_t id, std::string_view fileName);

// Terminates one process, with the debug privilege on the NT family (dropped again
// afterwards); true when the termination call succeeded. An account that does not hold
// the privilege still ends its own processes.
bool StopProcess(platform::Processes& processes, std::uint32_t id, std::uint32_t exitCode);

// The name as the stop compares it: short names lose their extension, long ones keep
// their first 15 characters.
std::string ReducedProcessName(std::string_view name);

}  // namespace sorvane::processes
