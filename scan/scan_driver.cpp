#include "scan/scan_driver.h"

#include "app/definition_files.h"
#include "platform/text.h"
#include "scan/cookie_scan.h"
#include "scan/drive_list.h"
#include "scan/known_files_scan.h"
#include "scan/memory_scan.h"
#include "scan/registry_scan.h"

namespace sorvane::scan {

namespace {

std::string productName(ScanSession& session) {
    return session.app.productName ? session.app.productName() : std::string("Sorvane");
}

std::string now(ScanSession& session) { return session.os.locale.formatDateTime(session.os.locale.now()); }

void setPhase(ScanSession& session, ScanPhase phase, std::string_view key) {
    auto caption = session.message(key);
    session.observer().phaseStarted(phase, caption);
    session.state.phaseCaption = caption + ": ";
}

int overall(ScanSession& session, double part) { return percentOf(part, session.state.counts.total()); }

}  // namespace

bool DefinitionFilesPresent(ScanSession& session) {
    return app::FirstMissingDefinitionFile(session.os.files, session.applicationFolder).empty();
}

void RunScanPhases(ScanSession& session) {
    auto& state = session.state;
    auto& observer = session.observer();
    const bool present = session.hooks.checkDefinitionFiles ? session.hooks.checkDefinitionFiles()
                                                            : DefinitionFilesPresent(session);
    if (!present) {
        session.host.messageBox(session.message("MSG_MISSING"), productName(session), ui::mb::Information);
        return;
    }
    session.countDefinitions();
    session.resolveMacros();
    session.loadSafeList();

    observer.phasesBegin();
    state.cookieCounter = 0;

    if (text::numericValue(session.setting("OptionAndSettings", "chkScanCookies", "1")) == 1) {
        setPhase(session, ScanPhase::Cookies, "MSG_COOKIES");
        ScanCookies(session);
        observer.progressChanged({session.message("MSG_COOKIES_FINISHED"), 100, overall(session, state.counts.cookies), {}});
    }

    state.memoryPhaseOn = text::booleanValue(session.setting("OptionAndSettings", "chkSweepMemory", "True"), true);
    state.registryPhaseOn = text::booleanValue(session.setting("OptionAndSettings", "chkScanRegistry", "True"), true);
    if (state.memoryPhaseOn) {
        setPhase(session, ScanPhase::Memory, "MSG_MEMORY");
        ScanMemory(session);
    } else {
        observer.phaseSwitchedOff(ScanPhase::Memory, session.message("MSG_NOTSELECED"));
    }

    setPhase(session, ScanPhase::Registry, "MSG_REGISTRY");
    observer.progressChanged({std::nullopt, 0, overall(session, state.counts.cookies), {}});
    if (state.registryPhaseOn)
        ScanRegistry(session);
    else
        observer.phaseSwitchedOff(ScanPhase::Registry, session.message("MSG_NOTSELECED"));

    setPhase(session, ScanPhase::KnownFiles, "MSG_SPYWARE");
    ScanKnownFiles(session);
    ScanKnownFolders(session);
    if (CompleteScanChosen(session)) SweepDrives(session);

    session.UpdateProgress("Scan Complete", 100, 100);
}

void cmdScanNow_Click(ScanSession& session) {
    auto& state = session.state;
    auto& observer = session.observer();
    observer.scanStarted();
    state.memoryInspected = state.registryInspected = state.filesFoldersInspected = state.threatsFound = 0;
    state.runningPrograms = 0;
    state.memoryPhaseOn = state.registryPhaseOn = true;
    state.progressCalls = 0;
    session.findings.clear();
    session.missingFiles.clear();

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

    ScanEnd end;
    end.counters = session.counters();
    if (state.stopRequested) {
        end.outcome = ScanOutcome::Cancelled;
        end.status = session.message("MSG_SCAN_CANCELLED");
        end.percentText = "0% " + session.message("MSG_COMPLETED");
    } else {
        end.status = session.message("MSG_SCAN_COMPLETED");
    }
    observer.scanFinished(end);
    // After the end is shown, with the scan's final figures.
    if (session.choices.makeReport && session.hooks.makeReport) session.hooks.makeReport();
    state.running = false;

    // A scheduled scan's automatic removal: the window shows the results, checks them all and removes.
    if (state.autoRemoveAfterScan && session.hooks.removeCheckedItems) session.hooks.removeCheckedItems();

    state.ended = true;
    observer.scanClosed();
}

void PauseScan(ScanSession& session) {
    session.state.paused = true;
    session.host.messageBox(session.message("MSG_PAUSED"), productName(session), ui::mb::Information);
    session.state.paused = false;
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

}  // namespace sorvane::scan
