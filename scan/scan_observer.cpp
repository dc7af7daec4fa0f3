#include "scan/scan_observer.h"

#include <initializer_list>

#include "platform/text.h"
#include "scan/result_rows.h"

namespace sorvane::scan {

void ScanViewObserver::freeze(bool frozen) { host_.freezePainting(view_.form, frozen); }

void ScanViewObserver::showCounters(const ScanCounters& counters) {
    if (counters.memoryPhaseOn) view_.lblMemoryInspected.setCaption(std::to_string(counters.memoryInspected));
    if (counters.registryPhaseOn) view_.lblRegistryInspected.setCaption(std::to_string(counters.registryInspected));
    view_.lblFilesFolderInspected.setCaption(std::to_string(counters.filesFoldersInspected));
    view_.lblSoftwareFound.setCaption(std::to_string(counters.threatsFound));
    view_.lblRemovePicSoftwareFound.setCaption(std::to_string(counters.threatsFound));
}

void ScanViewObserver::scanStarted() {
    auto& view = view_;
    if (view.tmrScroll) view.tmrScroll->setOn(false);
    if (view.shpCircle) {
        view.shpCircle->move(1215, 645, view.shpCircle->geometry().width, view.shpCircle->geometry().height);
        view.shpCircle->setVisible(false);
    }
    ShowIfPresent(view.cmdRemove, false);
    EnableIfPresent(view.cmdResults, false);
    EnableIfPresent(view.cmdSettings, false);
    for (ui::Control* c : std::initializer_list<ui::Control*>{&view.cmdScanNow, &view.cmdScan, view.cmdLog,
                                                              view.cmdUpdate, view.cmdStatus})
        EnableIfPresent(c, false);
    EnableIfPresent(view.cmdStop, true);
    EnableIfPresent(view.cmdPause, true);

    freeze(true);
    for (auto* label : {&view.lblRegistryInspected, &view.lblFilesFolderInspected, &view.lblMemoryInspected,
                        &view.lblSoftwareFound, &view.lblRemovePicSoftwareFound, &view.lbltracesFound,
                        &view.lblPercentageCompleted, &view.lblStatus, &view.lblTotalNoOfRunningItems})
        label->setCaption("0");
    for (auto* list : {&view.lvwSpywareFound, &view.lvwPicRemoveListOfSpywareFoundAndToBeRemoved,
                       &view.lvwFilesToBeDeleted, &view.lvwFileNotFounds, &view.lvwRegistryToBeDeleted,
                       &view.lvwCookiesToDelete})
        list->clear();
    freeze(false);
}

void ScanViewObserver::phasesBegin() {
    view_.pbgMain.setVisible(false);
    for (auto* bar : {&view_.pbgMain, &view_.pb1, &view_.pb2}) {
        bar->setMax(100);
        bar->setValue(0);
    }
}

void ScanViewObserver::phaseStarted(ScanPhase phase, const std::string& caption) {
    if (phase == ScanPhase::Cookies) ShowIfPresent(view_.shpCircle, false);
    if (phase == ScanPhase::KnownFiles) view_.pbgMain.setMax(100);
    freeze(true);
    view_.lblPercentageCompleted.setCaption(caption);
    freeze(false);
    if (phase == ScanPhase::KnownFiles) view_.pbgMain.setValue(0);
}

void ScanViewObserver::phaseSwitchedOff(ScanPhase phase, const std::string& text) {
    if (phase == ScanPhase::Memory) view_.lblMemoryInspected.setCaption(text);
    if (phase == ScanPhase::Registry) view_.lblRegistryInspected.setCaption(text);
}

void ScanViewObserver::progressChanged(const ScanProgress& progress) {
    // Counters and status change together in one burst; bars alone are drawn as they move.
    const bool burst = progress.counters || progress.status;
    if (burst) freeze(true);
    if (progress.counters) showCounters(*progress.counters);
    if (progress.status) view_.lblStatus.setCaption(*progress.status);
    if (progress.phasePercent >= 0) view_.pb1.setValue(progress.phasePercent);
    if (progress.overallPercent >= 0) view_.pb2.setValue(progress.overallPercent);
    if (burst) freeze(false);
}

void ScanViewObserver::statusChanged(const std::string& status) { view_.lblStatus.setCaption(status); }

void ScanViewObserver::runningProgramsCounted(std::int32_t count) {
    view_.lblTotalNoOfRunningItems.setCaption(std::to_string(count));
}

void ScanViewObserver::driveSweepStarted() {
    view_.pbgMain.setMax(100);
    view_.pbgMain.setValue(0);
    view_.pbgMain.setVisible(true);
}

void ScanViewObserver::driveSweepProgress(int percent, const std::string& caption) {
    view_.pbgMain.setValue(percent);
    view_.lblPercentageCompleted.setCaption(caption);
}

void ScanViewObserver::driveSweepEnded() { view_.pbgMain.setVisible(false); }

void ScanViewObserver::findingAdded(const Finding& finding) {
    ShowFinding(view_, finding);
    if (finding.trace)
        view_.lbltracesFound.setCaption(std::to_string(text::numericValue(view_.lbltracesFound.caption()) + 1));
}

void ScanViewObserver::fileMissing(const MissingFile& file) {
    auto& list = view_.lvwFileNotFounds;
    list.add(file.name);
    list.setSubItem(list.count() - 1, 1, file.threat);
    list.setSubItem(list.count() - 1, 2, file.note);
}

void ScanViewObserver::scanFinished(const ScanEnd& end) {
    auto& view = view_;
    ShowIfPresent(view.cmdRemove, true);
    EnableIfPresent(view.cmdRemove, true);
    EnableIfPresent(view.cmdResults, true);
    EnableIfPresent(view.cmdSettings, true);
    ShowIfPresent(view.shpCircle, false);

    freeze(true);
    // The labels follow only every hundredth item while the scan runs; at its end they show
    // the true totals, or a small scan would leave them all at 0.
    showCounters(end.counters);
    view.lblStatus.setCaption(end.status);
    if (end.outcome == ScanOutcome::Cancelled) {
        view.lblPercentageCompleted.setCaption(end.percentText);
        view.pbgMain.setValue(0);
    } else {
        view.pb1.setValue(100);
        view.pb2.setValue(100);
    }
    freeze(false);
}

void ScanViewObserver::scanClosed() {
    auto& view = view_;
    for (ui::Control* c : std::initializer_list<ui::Control*>{&view.cmdScan, &view.cmdScanNow, view.cmdLog,
                                                              view.cmdUpdate, view.cmdStatus})
        EnableIfPresent(c, true);
    EnableIfPresent(view.cmdStop, false);
    EnableIfPresent(view.cmdPause, false);
}

}  // namespace sorvane::scan
