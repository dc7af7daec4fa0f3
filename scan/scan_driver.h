#pragma once
#include <span>

#include "ui/controls.h"
#include "scan/scan_session.h"

namespace sorvane::scan {

// "Start": prepares the window, runs every phase, stores the scan dates and puts the window back.
void cmdScanNow_Click(ScanSession& session);
// The phases in their fixed order: cookies, memory, registry, known files and folders
// (and the drive sweep of a complete scan).
void RunScanPhases(ScanSession& session);

// Pause: a box the scan waits behind until it is closed. The label variant disables only itself.
void cmdPause_Click(ScanSession& session);
void lblPause_Click(ScanSession& session);
// Stop: asks, and on Yes the running phase returns at its next item.
void cmdStop_Click(ScanSession& session);
void lblStop_Click(ScanSession& session);

// "Click Here to Continue" and "Results/Removal": the Results page.
void cmdRemove_Click(ScanSession& session);
// Checks every unchecked removal row and its work rows; never unchecks.
void cmdSelectAll_Click(ScanSession& session);
// Copies a removal row's check state onto the work rows tied to it.
void SyncWorkListChecks(ScanSession& session, std::size_t row);
// Gives the work rows tied to any of these removal rows the check state `checked`.
void TieWorkRows(ScanSession& session, std::span<const std::size_t> rows, bool checked);

// Hides the pages and the removal progress controls.
void HideAllPages(ScanView& view);

// The five definition files exist in the application folder.
bool DefinitionFilesPresent(ScanSession& session);

}  // namespace sorvane::scan
