#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <unordered_map>
#include <string>
#include <string_view>
#include <vector>

#include "app/definition_files.h"
#include "definitions/definition_files.h"
#include "definitions/exclusions.h"
#include "definitions/path_macros.h"
#include "scan/registry_views.h"
#include "definitions/safe_list.h"
#include "platform/platform.h"
#include "processes/process_list.h"
#include "scan/findings.h"
#include "scan/grouped_lookups.h"
#include "scan/result_rows.h"
#include "scan/scan_observer.h"
#include "ui/host.h"

namespace sorvane::scan {

// Lines in each definition file, counted when the scan starts; the progress figures use them.
using DefinitionCounts = app::DefinitionCounts;

// Who runs the scanners: the user's scan (the window's "Start", the console), the scheduler's
// scan, or the memory shield's pass every few seconds, which asks before it stops anything.
enum class ScanMode { UserScan, ScheduledScan, ShieldPass };

// The state one scan shares between the driver and its scanners.
struct ScanState {
    ScanMode mode = ScanMode::UserScan;
    std::int32_t memoryInspected = 0;
    std::int32_t registryInspected = 0;
    std::int32_t filesFoldersInspected = 0;
    std::int32_t threatsFound = 0;
    std::int32_t runningPrograms = 0;  // the programs the memory phase listed
    std::int32_t progressCalls = 0;
    std::int32_t cookieCounter = 0;
    bool stopRequested = false;
    bool running = false;
    bool paused = false;  // the pause box is open; the scan waits behind it
    // The scan's end was shown and the window is idle again: a phase still running behind it
    // (events run while it works) records what it meets but reports no more threats.
    bool ended = false;
    bool autoRemoveAfterScan = false;
    // Phases the settings switched off keep "Not Selected" on their counter.
    bool memoryPhaseOn = true;
    bool registryPhaseOn = true;
    std::string phaseCaption;
    std::string scanStartTime;
    std::string scanEndTime;
    DefinitionCounts counts;
};

// What the front end chose for a scan: the window from its options page, the console from
// its command line and the settings store.
struct ScanChoices {
    std::optional<bool> complete;     // the complete scan; nothing: as the settings hold
    std::vector<std::string> drives;  // the letters of the drives a complete scan sweeps
    bool makeReport = false;          // the scan report is written at the end
};

// Settings store and message catalogue, as the application keeps them.
struct AppAccess {
    std::function<std::string(std::string_view key)> message;
    std::function<std::string(std::string_view section, std::string_view key, std::string_view fallback)> readSetting;
    std::function<void(std::string_view section, std::string_view key, std::string_view value)> writeSetting;
    std::function<std::string()> productName;
    // The line counts the application took at start-up or after an update, when it keeps them.
    std::function<DefinitionCounts()> definitionCounts;
};

// The memory shield's question about one running listed program; answered by the alert window.
struct MemoryAlert {
    std::string companyLine;
    std::string fileLine;
    std::string path;
    std::uint32_t processId = 0;
};

// Work other subsystems own, called at the points of a scan where it belongs. Each may be
// left empty, and then nothing more happens than the console needs. The shield's alert is no
// hook: it is ShieldMemoryPass's own argument (memory_scan.h), so that no pass runs without it.
struct ScanHooks {
    // Whether the definition files are all there; empty: the scan checks that the five files
    // exist (the window's own check also names the fault on its date label and deletes the rest).
    std::function<bool()> checkDefinitionFiles;
    // The scan report, when the front end chose one (choices.makeReport); empty: none is
    // written. The front ends that offer the choice install it: the window's report feature,
    // the console's InstallConsoleReport.
    std::function<void()> makeReport;
    // The data submission the Results page starts when nothing is left to remove; empty: no
    // submission (the console never sends one).
    std::function<void()> startDataSubmission;
    // The removal run after a scheduled scan; empty: nothing is removed (only the window's
    // scheduler marks a scan for it).
    std::function<void()> removeCheckedItems;
};

// One scan's world: the system, the host, the front end that follows it and the shared state.
class ScanSession {
public:
    ScanSession(platform::Platform& os, ui::Host& host, ScanObserver& observer, definitions::ExclusionList& exclusions,
                AppAccess app, ScanHooks hooks, std::string applicationFolder);
    ScanSession(const ScanSession&) = delete;
    ScanSession& operator=(const ScanSession&) = delete;

    platform::Platform& os;
    ui::Host& host;
    // The user's exclusions, loaded at start-up and kept by the application.
    definitions::ExclusionList& exclusions;
    definitions::SafeList safeList;
    AppAccess app;
    ScanHooks hooks;
    // The front end's choices for the next scan.
    ScanChoices choices;
    // False where no progress bar is shown (the console): the definition lines are then not
    // counted for the bars' percentages, so each file is read once, by its scanner.
    bool progressBarsShown = true;
    std::string applicationFolder;
    ScanState state;
    // What the running or the last scan found.
    Findings findings;
    // The listed files of this scan that were not at their usual place (a complete scan only).
    MissingFiles missingFiles;
    // The memory shield's text of the process definitions as the file was when last read, so
    // that its passes every few seconds read the file again only once it changed (memory_scan.cpp).
    struct KeptDefinitionText {
        std::string path;
        std::uint64_t size = 0, lastWriteTime = 0;
        std::string text, lastName;
    };
    KeptDefinitionText shieldDefinitionText;
    // The processes the shield's passes listed, so that a pass opens only the new ones.
    processes::KnownProcesses shieldProcesses;

    // The front end told of every step of a scan: its window, or the console.
    ScanObserver& observer() { return observer_; }

    // The macro folders, resolved once per scan (or per shield pass).
    const definitions::PathMacros& macros();
    void resolveMacros();
    void loadSafeList();
    bool isSafe(std::string_view item) const { return safeList.IsSafe(item); }
    bool isExcluded(std::string_view item) const { return exclusions.IsExcluded(item); }
    bool isFolderExcluded(std::string_view folder) const { return exclusions.IsFolderExcluded(folder); }

    std::string definitionPath(std::string_view fileName) const;
    // The decoded lines of a definition file; nothing when it is missing or unreadable.
    bool readDefinitionLines(std::string_view fileName, std::vector<std::string>& lines);
    // Streams a definition file line by line; `stop` is asked before each line.
    definitions::ReadOutcome forEachDefinitionLine(std::string_view fileName, const definitions::StopPredicate& stop,
                                                   const std::function<void(const std::string&)>& onLine);
    // Streams a definition file in batches of a bounded size, so that a scanner can plan the
    // tests of a batch before it handles the lines in order; `onBatch` answers false to stop.
    // False when the file is missing.
    bool forEachDefinitionBatch(std::string_view fileName,
                                const std::function<bool(const std::vector<std::string>&)>& onBatch);
    // The folder and key listings of the scan running now.
    FolderListings& folderListings();
    KeyListings& keyListings();
    // Which keys the 32-bit programs of this system keep a copy of; asked anew for each scan.
    RegistryViews& registryViews();
    // The line counts of the definition files as they are now; a file unchanged since the
    // application or the last scan counted it is not read again for it.
    void countDefinitions();
    // The company of a file's version resource; while a scan runs, each file is read once
    // and its answer kept until the scan ends. Between scans (the shield's passes) an answer
    // is kept for as long as the file keeps its size and its last write time, so that a
    // program running many times, pass after pass, is not read again each time.
    std::string companyOf(std::string_view path);
    void forgetCompanies() { companies_.clear(); }

    std::string message(std::string_view key) const;
    std::string setting(std::string_view section, std::string_view key, std::string_view fallback) const;

    // Progress: counters, status and bars reported on every 100th call.
    void UpdateProgress(std::string_view text, int phasePercent, int overallPercent);
    // The same, with the text made only on the calls that show it.
    template <typename MakeText>
    void UpdateProgressWith(const MakeText& makeText, int phasePercent, int overallPercent) {
        if (state.progressCalls + 1 < 100) {
            ++state.progressCalls;
            return;
        }
        UpdateProgress(makeText(), phasePercent, overallPercent);
    }
    // The counters as they stand.
    ScanCounters counters() const;
    // "PhaseCaption CR LF item", the text every scanner shows for its current item.
    std::string statusText(std::string_view item) const;

    // Records a finding and tells the observer: the one way a result enters the scan's record.
    void record(Finding finding);
    // An item of the user's exclusion list that the scan came upon: "EXCLUDED: item". The
    // shield's passes, every few seconds, show an item once, not at each pass.
    void recordExcluded(Finding finding, std::string_view item);
    // True when a summary line of this scan begins with the text, letter case aside.
    bool summaryHas(std::string_view prefix) const { return findings.summaryHas(prefix); }
    // A listed file that was not at its usual place: the drive sweep looks for it by name.
    void recordMissing(MissingFile file);
    // A file or folder hit of the known-files scan or the drive sweep: a trace, with the
    // summary and removal rows for the first trace of the threat.
    void reportFile(FindingKind kind, const std::string& path, const std::string& threat, std::string_view note);

private:
    ScanObserver& observer_;
    std::optional<definitions::PathMacros> macros_;
    std::optional<FolderListings> folderListings_;
    std::optional<KeyListings> keyListings_;
    std::optional<RegistryViews> registryViews_;
    std::unordered_map<std::string, std::string> companies_;  // lower-cased path -> company
    struct KnownCompany {
        std::uint64_t size = 0;
        std::uint64_t lastWriteTime = 0;
        std::string company;
    };
    std::unordered_map<std::string, KnownCompany> shieldCompanies_;  // lower-cased path -> company
    // The counts of the last scan, so that files unchanged since are not read to count them.
    DefinitionCounts counted_;
};

// Whole-number percentage of part in whole, rounded; -1 (bar unchanged) when the whole is 0.
int percentOf(double part, double whole);

// The status text with every listed offensive word removed, ignoring case.
std::string FilterStatusText(std::string_view text);

}  // namespace sorvane::scan
