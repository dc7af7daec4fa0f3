#include "scan/results_page.h"

#include <initializer_list>
#include <vector>

#include "scan/drive_list.h"
#include "scan/result_rows.h"
#include "scan/scan_driver.h"
#include "scan/trace_ties.h"

namespace sorvane::scan {

ScanChoices ChoicesOf(const ScanView& view) {
    ScanChoices choices;
    if (view.optScanAllSelectedHardDrive) choices.complete = view.optScanAllSelectedHardDrive->value();
    if (view.lvwHardDrives) choices.drives = TickedDrives(*view.lvwHardDrives);
    choices.makeReport = view.chkMakeLog && view.chkMakeLog->checked();
    return choices;
}

void HideAllPages(ScanView& view) {
    for (ui::Control* page : std::initializer_list<ui::Control*>{
             view.frmOptions, view.frmScan, view.frmResults, view.frmStatus, view.pgbDeleteSpywaresFound,
             view.lblDeletingPercentageCompleted, view.lblDeletingCaption})
        ShowIfPresent(page, false);
}

void cmdPause_Click(ScanSession& session, ScanView& view) {
    EnableIfPresent(view.cmdPause, false);
    EnableIfPresent(view.cmdStop, false);
    PauseScan(session);
    EnableIfPresent(view.cmdPause, true);
    EnableIfPresent(view.cmdStop, true);
}

void lblPause_Click(ScanSession& session, ScanView& view) {
    EnableIfPresent(view.lblPause, false);
    PauseScan(session);
    EnableIfPresent(view.lblPause, true);
}

void cmdRemove_Click(ScanSession& session, ScanView& view) {
    HideAllPages(view);
    ShowIfPresent(view.frmResults, true);
    if (view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.empty() && view.chkSendData &&
        view.chkSendData->checked() && session.hooks.startDataSubmission)
        session.hooks.startDataSubmission();
}

void TieWorkRows(ScanView& view, std::span<const std::size_t> rows, bool checked) {
    // The ties of all the rows are gathered first and applied in one pass over each work
    // list, so that checking many rows does not walk the work lists once per row.
    const auto& list = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    TraceTies ties;
    for (const std::size_t row : rows) {
        if (row >= list.count()) continue;
        const auto& item = list.item(row);
        ties.add(item.smallIcon, item.text, item.subItem(1));
    }
    if (ties.empty()) return;
    auto checkWhere = [checked](ui::ListView& work, auto&& tied) {
        for (std::size_t i = 0; i < work.count(); ++i)
            if (tied(work.item(i))) work.setChecked(i, checked);
    };
    checkWhere(view.lvwCookiesToDelete, [&](const ui::ListItem& w) { return ties.tiesCookie(w.text); });
    checkWhere(view.lvwFilesToBeDeleted, [&](const ui::ListItem& w) { return ties.tiesFile(w.text, w.subItem(1)); });
    checkWhere(view.lvwRegistryToBeDeleted, [&](const ui::ListItem& w) {
        const auto row = ReadRegistryTraceRow(w);
        return ties.tiesRegistry(row.key, row.threat);
    });
}

void SyncWorkListChecks(ScanView& view, std::size_t row) {
    const auto& list = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    if (row >= list.count()) return;
    const std::size_t rows[] = {row};
    TieWorkRows(view, rows, list.item(row).checked);
}

void cmdSelectAll_Click(ScanView& view) {
    auto& list = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    std::vector<std::size_t> checkedNow;
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (list.item(i).checked || !list.item(i).subItem(RefusalColumn).empty()) continue;
        list.setChecked(i, true);
        checkedNow.push_back(i);
    }
    TieWorkRows(view, checkedNow, true);
}

}  // namespace sorvane::scan
