#pragma once
#include "scan/scan_session.h"

namespace sorvane::scan {

// "Start": runs every phase and stores the scan dates, telling the session's observer of each step.
void cmdScanNow_Click(ScanSession& session);
// The phases in their fixed order: cookies, memory, registry, known files and folders
// (and the drive sweep of a complete scan).
void RunScanPhases(ScanSession& session);

// The scan waits behind a box until the user closes it.
void PauseScan(ScanSession& session);
// Stop: asks, and on Yes the running phase returns at its next item.
void cmdStop_Click(ScanSession& session);
void lblStop_Click(ScanSession& session);

// The five definition files exist in the application folder.
bool DefinitionFilesPresent(ScanSession& session);

}  // namespace sorvane::scan
