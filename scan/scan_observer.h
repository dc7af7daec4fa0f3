#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "scan/findings.h"
#include "scan/scan_view.h"
#include "ui/host.h"

namespace sorvane::scan {

// The phases of a scan, in the order they run.
enum class ScanPhase { Cookies, Memory, Registry, KnownFiles };

// The figures a scan counts, as its counters show them. A phase the settings switched off
// keeps "Not Selected" on its counter.
struct ScanCounters {
    std::int32_t memoryInspected = 0;
    std::int32_t registryInspected = 0;
    std::int32_t filesFoldersInspected = 0;
    std::int32_t threatsFound = 0;
    bool memoryPhaseOn = true;
    bool registryPhaseOn = true;
};

// Where a scan stands. A percentage of -1 leaves its bar as it is, no status leaves the
// status line; counters come with the periodic refresh only.
struct ScanProgress {
    std::optional<std::string> status;
    int phasePercent = -1;
    int overallPercent = -1;
    std::optional<ScanCounters> counters;
};

enum class ScanOutcome { Completed, Cancelled };

// How a scan ended, with the texts that say so and its final figures.
struct ScanEnd {
    ScanOutcome outcome = ScanOutcome::Completed;
    std::string status;       // "Scanning complete." or "Scanning was cancelled."
    std::string percentText;  // the cancelled scan's "0% Completed.", empty otherwise
    ScanCounters counters;
};

// What a front end learns while a scan runs. The main window shows it in its captions,
// counters, bars and lists (ScanViewObserver); the console prints the phases.
class ScanObserver {
public:
    virtual ~ScanObserver() = default;
    // A scan starts: its counters are at zero and its lists empty.
    virtual void scanStarted() = 0;
    // The definition files are there: the phases begin, their bars from nothing.
    virtual void phasesBegin() = 0;
    // A phase begins, with its caption ("Scanning registry").
    virtual void phaseStarted(ScanPhase phase, const std::string& caption) = 0;
    // A phase the settings switched off, with the text its counter shows instead.
    virtual void phaseSwitchedOff(ScanPhase phase, const std::string& text) = 0;
    // The periodic refresh, and the bars and status between phases.
    virtual void progressChanged(const ScanProgress& progress) = 0;
    // The item being looked at, shown as it is (the drive sweep's entries).
    virtual void statusChanged(const std::string& status) = 0;
    // The running programs the memory phase lists.
    virtual void runningProgramsCounted(std::int32_t count) = 0;
    // The drive sweep of a complete scan: one drive begins, goes on, and the sweep ends.
    virtual void driveSweepStarted() = 0;
    virtual void driveSweepProgress(int percent, const std::string& caption) = 0;
    virtual void driveSweepEnded() = 0;
    // The scan recorded a finding.
    virtual void findingAdded(const Finding& finding) = 0;
    // A listed file was not at its usual place; a complete scan's sweep looks for it.
    virtual void fileMissing(const MissingFile& file) = 0;
    // The scan ended, completed or cancelled; the report and a scheduled removal follow.
    virtual void scanFinished(const ScanEnd& end) = 0;
    // All is done: a new scan may start.
    virtual void scanClosed() = 0;
};

// A front end that reads only the session once the scan is over: every step passes unseen.
// The console's commands build on it and override the steps they print.
class SilentScanObserver : public ScanObserver {
public:
    void scanStarted() override {}
    void phasesBegin() override {}
    void phaseStarted(ScanPhase, const std::string&) override {}
    void phaseSwitchedOff(ScanPhase, const std::string&) override {}
    void progressChanged(const ScanProgress&) override {}
    void statusChanged(const std::string&) override {}
    void runningProgramsCounted(std::int32_t) override {}
    void driveSweepStarted() override {}
    void driveSweepProgress(int, const std::string&) override {}
    void driveSweepEnded() override {}
    void findingAdded(const Finding&) override {}
    void fileMissing(const MissingFile&) override {}
    void scanFinished(const ScanEnd&) override {}
    void scanClosed() override {}
};

// The main window's part: the same captions, counters, bars, buttons and lists as the
// window always showed, each burst of changes painted at once.
class ScanViewObserver : public ScanObserver {
public:
    ScanViewObserver(ScanView& view, ui::Host& host) : view_(view), host_(host) {}
    void scanStarted() override;
    void phasesBegin() override;
    void phaseStarted(ScanPhase phase, const std::string& caption) override;
    void phaseSwitchedOff(ScanPhase phase, const std::string& text) override;
    void progressChanged(const ScanProgress& progress) override;
    void statusChanged(const std::string& status) override;
    void runningProgramsCounted(std::int32_t count) override;
    void driveSweepStarted() override;
    void driveSweepProgress(int percent, const std::string& caption) override;
    void driveSweepEnded() override;
    void findingAdded(const Finding& finding) override;
    void fileMissing(const MissingFile& file) override;
    void scanFinished(const ScanEnd& end) override;
    void scanClosed() override;

private:
    void freeze(bool frozen);
    void showCounters(const ScanCounters& counters);
    ScanView& view_;
    ui::Host& host_;
};

}  // namespace sorvane::scan
