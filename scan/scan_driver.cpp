#include "scan/scan_driver.h"

#include <span>
#include <unordered_set>
#include <vector>

#include "app/definition_files.h"
#include "platform/text.h"
#include "scan/cookie_scan.h"
#include "scan/drive_list.h"
#include "scan/known_files_scan.h"
#include "scan/memory_scan.h"
#include "scan/registry_scan.h"

namespace sorvane::scan {

namespace {

void enable(ui::Control* control, bool on) {
    if (control) control->setEnabled(on);
}
void show(ui::Control* control, bool on) {
    if (control) control->setVisible(on);
}

std::string productName(ScanSession& session) {
    return session.app.productName ? session.app.productName() : std::string("Sorvane");
}

std::string now(ScanSession& session) { return session.os.locale.formatDateTime(session.os.locale.now()); }

void setPhase(ScanSession& session, std::string_view key) {
    auto caption = session.message(key);
    session.freeze(true);
    session.observer().phaseStarted(caption);
    session.state.phaseCaption = caption + ": ";
    session.freeze(false);
}

void setOverall(ScanSession& session, double part) {
    int overall = percentOf(part, session.state.counts.total());
    if (overall >= 0) session.view.pb2.setValue(overall);
}

}  // namespace

bool DefinitionFilesPresent(ScanSession& session) {
    return app::FirstMissingDefinitionFile(session.os.files, session.applicationFolder).empty();
}

void HideAllPages(ScanView& view) {
    for (ui::Control* page : std::initializer_list<ui::Control*>{
             view.frmOptions, view.frmScan, view.frmResults, view.frmStatus, view.pgbDeleteSpywaresFound,
             view.lblDeletingPercentageCompleted, view.lblDeletingCaption})
        show(page, false);
}

void RunScanPhases(ScanSession& session) {
    auto& view = session.view;
    auto& state = session.state;
    const bool present = session.hooks.checkDefinitionFiles ? session.hooks.checkDefinitionFiles()
                                                            : DefinitionFilesPresent(session);
    if (!present) {
        session.host.messageBox(session.message("MSG_MISSING"), productName(session), ui::mb::Information);
        return;
    }
    session.countDefinitions();
    session.resolveMacros();
    session.loadSafeList();

    view.pbgMain.setVisible(false);
    for (auto* bar : {&view.pbgMain, &view.pb1, &view.pb2}) {
        bar->setMax(100);
        bar->setValue(0);
    }
    state.cookieCounter = 0;

    if (text::numericValue(session.setting("OptionAndSettings", "chkScanCookies", "1")) == 1) {
        show(view.shpCircle, false);
        setPhase(session, "MSG_COOKIES");
        ScanCookies(session);
        session.freeze(true);
        view.pb1.setValue(100);
        setOverall(session, state.counts.cookies);
        view.lblStatus.setCaption(session.message("MSG_COOKIES_FINISHED"));
        session.freeze(false);
    }

    state.memoryPhaseOn = text::booleanValue(session.setting("OptionAndSettings", "chkSweepMemory", "True"), true);
    state.registryPhaseOn = text::booleanValue(session.setting("OptionAndSettings", "chkScanRegistry", "True"), true);
    if (state.memoryPhaseOn) {
        setPhase(session, "MSG_MEMORY");
        ScanMemory(session);
    } else {
        view.lblMemoryInspected.setCaption(session.message("MSG_NOTSELECED"));
    }

    setPhase(session, "MSG_REGISTRY");
    view.pb1.setValue(0);
    setOverall(session, state.counts.cookies);
    if (state.registryPhaseOn)
        ScanRegistry(session);
    else
        view.lblRegistryInspected.setCaption(session.message("MSG_NOTSELECED"));

    view.pbgMain.setMax(100);
    setPhase(session, "MSG_SPYWARE");
    view.pbgMain.setValue(0);
    ScanKnownFiles(session);
    ScanKnownFolders(session);
    if (CompleteScanChosen(session)) SweepDrives(session);

    session.UpdateProgress("Scan Complete", 100, 100);
}

void cmdScanNow_Click(ScanSession& session) {
    auto& view = session.view;
    auto& state = session.state;
    if (view.tmrScroll) view.tmrScroll->setOn(false);
    if (session.hooks.hideDeleteWindow) session.hooks.hideDeleteWindow();

    if (view.shpCircle) {
        view.shpCircle->move(1215, 645, view.shpCircle->geometry().width, view.shpCircle->geometry().height);
        view.shpCircle->setVisible(false);
    }
    show(view.cmdRemove, false);
    enable(view.cmdResults, false);
    enable(view.cmdSettings, false);
    if (session.hooks.armBackgroundTimers) session.hooks.armBackgroundTimers(false);

    for (ui::Control* c : std::initializer_list<ui::Control*>{&view.cmdScanNow, &view.cmdScan, view.cmdLog,
                                                              view.cmdUpdate, view.cmdStatus})
        enable(c, false);
    enable(view.cmdStop, true);
    enable(view.cmdPause, true);

    session.freeze(true);
    for (auto* label : {&view.lblRegistryInspected, &view.lblFilesFolderInspected, &view.lblMemoryInspected,
                        &view.lblSoftwareFound, &view.lblRemovePicSoftwareFound, &view.lbltracesFound,
                        &view.lblPercentageCompleted, &view.lblStatus, &view.lblTotalNoOfRunningItems})
        label->setCaption("0");
    state.memoryInspected = state.registryInspected = state.filesFoldersInspected = state.threatsFound = 0;
    state.memoryPhaseOn = state.registryPhaseOn = true;
    state.progressCalls = 0;
    for (auto* list : {&view.lvwSpywareFound, &view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved,
                       &view.lvwFilesToBeDeleted, &view.lvwFileNotFounds, &view.lvwRegistryToBeDeleted,
                       &view.lvwCookiesToDelete})
        list->clear();
    session.findings.clear();
    session.missingFiles.clear();
    session.freeze(false);

    // The scheduler marks its scans before it starts them; any other start is the user's.
    if (state.mode != ScanMode::ScheduledScan) state.mode = ScanMode::UserScan;
    state.stopRequested = false;
    state.ended = false;
    state.running = true;
    state.scanStartTime = now(session);
    // The reset counters and the switched buttons show before the first definition line,
    // not at the scan's first look at the queue some 25 ms into it.
    session.host.yield();

    session.forgetCompanies();
    RunScanPhases(session);
    session.forgetCompanies();

    state.scanEndTime = now(session);
    if (session.app.writeSetting) {
        session.app.writeSetting("Settings", "lblLastScan", state.scanEndTime);
        if (CompleteScanChosen(session)) session.app.writeSetting("Settings", "lblLastFullScan", state.scanEndTime);
    }

    show(view.cmdRemove, true);
    enable(view.cmdRemove, true);
    enable(view.cmdResults, true);
    enable(view.cmdSettings, true);
    show(view.shpCircle, false);

    session.freeze(true);
    // The labels follow only every hundredth item while the scan runs; at its end they show
    // the true totals, or a small scan would leave them all at 0.
    session.showCounters();
    if (state.stopRequested) {
        view.lblStatus.setCaption(session.message("MSG_SCAN_CANCELLED"));
        view.lblPercentageCompleted.setCaption("0% " + session.message("MSG_COMPLETED"));
        view.pbgMain.setValue(0);
    } else {
        view.lblStatus.setCaption(session.message("MSG_SCAN_COMPLETED"));
        view.pb1.setValue(100);
        view.pb2.setValue(100);
    }
    session.freeze(false);
    // After the totals are shown: the report copies the figures from the screen.
    if (view.chkMakeLog && view.chkMakeLog->checked() && session.hooks.makeReport) session.hooks.makeReport();
    state.running = false;

    if (state.autoRemoveAfterScan) {
        cmdRemove_Click(session);
        cmdSelectAll_Click(session);
        if (session.hooks.removeCheckedItems) session.hooks.removeCheckedItems();
    }

    state.ended = true;
    for (ui::Control* c : std::initializer_list<ui::Control*>{&view.cmdScan, &view.cmdScanNow, view.cmdLog,
                                                              view.cmdUpdate, view.cmdStatus})
        enable(c, true);
    enable(view.cmdStop, false);
    enable(view.cmdPause, false);
    if (session.hooks.armBackgroundTimers) session.hooks.armBackgroundTimers(true);
    if (session.hooks.refreshStatusPanel) session.hooks.refreshStatusPanel();
}

namespace {
// The scan waits behind the box until the user closes it.
void pause(ScanSession& session) {
    session.state.paused = true;
    session.host.messageBox(session.message("MSG_PAUSED"), productName(session), ui::mb::Information);
    session.state.paused = false;
}
}  // namespace

void cmdPause_Click(ScanSession& session) {
    enable(session.view.cmdPause, false);
    enable(session.view.cmdStop, false);
    pause(session);
    enable(session.view.cmdPause, true);
    enable(session.view.cmdStop, true);
}

void lblPause_Click(ScanSession& session) {
    enable(session.view.lblPause, false);
    pause(session);
    enable(session.view.lblPause, true);
}

namespace {
void askStop(ScanSession& session, std::string_view key) {
    if (session.host.messageBox(session.message(key), productName(session), ui::mb::YesNo) == ui::Answer::Yes) {
        session.host.setBusyCursor(false);
        session.state.stopRequested = true;
    }
}
}  // namespace

void cmdStop_Click(ScanSession& session) { askStop(session, "MSG_STOP"); }
void lblStop_Click(ScanSession& session) { askStop(session, "MSG_SURE"); }

void cmdRemove_Click(ScanSession& session) {
    auto& view = session.view;
    HideAllPages(view);
    show(view.frmResults, true);
    if (view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved.empty() && view.chkSendData &&
        view.chkSendData->checked() && session.hooks.startDataSubmission)
        session.hooks.startDataSubmission();
}

void TieWorkRows(ScanSession& session, std::span<const std::size_t> rows, bool checked) {
    // The ties of all the rows are gathered first and applied in one pass over each work
    // list, so that checking many rows does not walk the work lists once per row.
    auto& view = session.view;
    const auto& list = view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    std::unordered_set<std::string> cookiePaths, folderPaths, threats, registryKeys;
    for (const std::size_t row : rows) {
        if (row >= list.count()) continue;
        const auto& item = list.item(row);
        // A threat gets one removal row, of the kind of its first trace; the traces of other
        // kinds found later are tied to it by the threat name, or checking the row would
        // leave them in place.
        switch (item.smallIcon) {
        case icon::Cookie: cookiePaths.insert(item.subItem(1)); break;
        case icon::Registry: registryKeys.insert(item.text); threats.insert(item.text); break;
        case icon::File: threats.insert(item.text); break;
        case icon::Folder: folderPaths.insert(item.subItem(1)); threats.insert(item.text); break;
        default: break;
        }
    }
    auto checkWhere = [checked](ui::ListView& work, auto&& tied) {
        for (std::size_t i = 0; i < work.count(); ++i)
            if (tied(work.item(i))) work.setChecked(i, checked);
    };
    if (!cookiePaths.empty())
        checkWhere(view.lvwCookiesToDelete, [&](const ui::ListItem& w) { return cookiePaths.count(w.text) > 0; });
    if (!folderPaths.empty() || !threats.empty())
        checkWhere(view.lvwFilesToBeDeleted, [&](const ui::ListItem& w) {
            return folderPaths.count(w.text) > 0 || threats.count(w.subItem(1)) > 0;
        });
    if (!registryKeys.empty() || !threats.empty())
        checkWhere(view.lvwRegistryToBeDeleted, [&](const ui::ListItem& w) {
            const auto row = ReadRegistryTraceRow(w);
            return registryKeys.count(row.key) > 0 || threats.count(row.threat) > 0;
        });
}

void SyncWorkListChecks(ScanSession& session, std::size_t row) {
    const auto& list = session.view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    if (row >= list.count()) return;
    const std::size_t rows[] = {row};
    TieWorkRows(session, rows, list.item(row).checked);
}

void cmdSelectAll_Click(ScanSession& session) {
    auto& list = session.view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    std::vector<std::size_t> checkedNow;
    for (std::size_t i = 0; i < list.count(); ++i) {
        if (list.item(i).checked || !list.item(i).subItem(RefusalColumn).empty()) continue;
        list.setChecked(i, true);
        checkedNow.push_back(i);
    }
    TieWorkRows(session, checkedNow, true);
}

}  // namespace sorvane::scan
