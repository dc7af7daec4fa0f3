#pragma once
#include <string>
#include <string_view>

#include "scan/scan_session.h"

namespace sorvane::scan {

// Compares the running processes with the process definitions and stops the listed ones.
// While the window's Scan Now command is disabled it runs as the scan's memory phase;
// otherwise it serves the memory shield, whose alert is a hook.
void ScanMemory(ScanSession& session);

// The Windows 9x definition text is read once and then kept; this forgets it.
void ForgetWin9xDefinitions();

// The companion program is never stopped by the scan.
inline constexpr std::string_view CompanionProgram = "SorvaneProcessHelper.exe";

// The summary text of a stopped process, or of one that could not be stopped.
std::string StoppedProcessText(ScanSession& session, std::string_view name, bool stopped, bool win9x);

}  // namespace sorvane::scan
