#pragma once
#include <span>

#include "scan/scan_session.h"
#include "scan/scan_view.h"

namespace sorvane::scan {

// The main window's own handlers around a scan: its pause buttons, its Results page and the
// ticks of its removal list, which the work lists follow.

// What the window's options page chose for the next scan.
ScanChoices ChoicesOf(const ScanView& view);

// Pause: the scan waits behind a box until it is closed. The label variant disables only itself.
void cmdPause_Click(ScanSession& session, ScanView& view);
void lblPause_Click(ScanSession& session, ScanView& view);

// "Click Here to Continue" and "Results/Removal": the Results page.
void cmdRemove_Click(ScanSession& session, ScanView& view);
// Checks every unchecked removal row and its work rows; never unchecks.
void cmdSelectAll_Click(ScanView& view);
// Copies a removal row's check state onto the work rows tied to it.
void SyncWorkListChecks(ScanView& view, std::size_t row);
// Gives the work rows tied to any of these removal rows the check state `checked`.
void TieWorkRows(ScanView& view, std::span<const std::size_t> rows, bool checked);

// Hides the pages and the removal progress controls.
void HideAllPages(ScanView& view);

}  // namespace sorvane::scan
