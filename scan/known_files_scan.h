#pragma once
#include "scan/scan_session.h"

namespace sorvane::scan {

// Lists every file definition's file that exists at its place, is not safe, not excluded
// and not Microsoft's. Definitions whose file is absent go to the drive sweep's list.
void ScanKnownFiles(ScanSession& session);
// Lists every folder definition's folder that exists and is not safe or excluded.
void ScanKnownFolders(ScanSession& session);

}  // namespace sorvane::scan
