#pragma once
#include <string>
#include <string_view>

#include "scan/scan_session.h"

namespace sorvane::scan {

// Where the memory shield's pass puts each running listed program it finds: the shield's
// alert, which asks the user whether to stop it.
class ShieldAlerts {
public:
    virtual ~ShieldAlerts() = default;
    // Shows the alert and returns once the user answered.
    virtual void memoryAlert(const MemoryAlert& alert) = 0;
};

// The scan's memory phase: compares the running processes with the process definitions and
// stops the listed ones.
void ScanMemory(ScanSession& session);

// One pass of the memory shield: the same comparison over the processes started since the last
// pass, each listed one put to `alerts` and stopped only when the user says so (Windows 9x asks
// in a message box of its own). Marks the session's mode ShieldPass.
void ShieldMemoryPass(ScanSession& session, ShieldAlerts& alerts);

// The Windows 9x definition text is read once and then kept; this forgets it.
void ForgetWin9xDefinitions();

// The companion program is never stopped by the scan.
inline constexpr std::string_view CompanionProgram = "SorvaneProcessHelper.exe";

// The summary text of a stopped process, or of one that could not be stopped.
std::string StoppedProcessText(ScanSession& session, std::string_view name, bool stopped, bool win9x);

}  // namespace sorvane::scan
