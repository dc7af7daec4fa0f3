#include <ostream>

#include "cli/commands_list.h"
#include "cli/scan_scope.h"
#include "report/console_report.h"
#include "scan/console_scan.h"
#include "scan/scan_results.h"
#include "ui/headless/headless_host.h"
#include "update/apply_update.h"

namespace sorvane::cli {
namespace {

// The scan's progress on stderr: a line at the start of every phase, and as the caption
// changes within one (the drives of a complete scan) once the scan next lets events run.
// The results are printed from the findings at the end; nothing else is shown.
class ConsoleProgress final : public scan::SilentScanObserver {
public:
    explicit ConsoleProgress(std::ostream& err) : err_(err) {}

    void phaseStarted(scan::ScanPhase, const std::string& caption) override {
        caption_ = caption;
        show();
    }
    void driveSweepProgress(int, const std::string& caption) override { caption_ = caption; }
    // The scan lets events run.
    void yielded() {
        if (caption_ != shown_) show();
    }

private:
    void show() {
        shown_ = caption_;
        err_ << caption_ << "\n" << std::flush;
    }
    std::ostream& err_;
    std::string caption_, shown_;
};

}  // namespace

// A whole scan as "Start" runs it, over the definitions, settings and exclusions beside
// the executable, with the results printed instead of shown.
int runScan(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    ui::HeadlessHost host;
    return runScanOn(host, platform, args, console);
}

int runScanOn(ui::HeadlessHost& host, platform::Platform& platform, std::span<const std::string> args, Console& console) {
    bool json = false;
    std::optional<bool> complete;
    for (const auto& arg : args) {
        if (arg == "--json") {
            json = true;
        } else if (!ParseScanScope(arg, complete)) {
            console.err << "SorvaneCmd scan: unknown argument \"" << arg << "\"\n"
                        << "usage: SorvaneCmd scan [--json] [--quick|--complete]\n";
            return ExitError;
        }
    }

    ConsoleProgress progress(console.err);
    scan::ConsoleScan scan(platform, host, progress);
    scan.chooseScope(complete);
    report::ReportWrite reportWritten;
    report::InstallConsoleReport(scan, reportWritten);
    // An update a crash cut short is finished before the files are read, under the lock every
    // Sorvane process shares, so that one in progress in another process is left alone.
    if (auto r = update::FinishInterruptedUpdate(platform.instance, platform.files, scan.application.applicationFolder());
        !r.ok()) {
        console.err << "SorvaneCmd scan: warning: an earlier update could not be finished: "
                    << update::ReplaceFailureText(r) << "\n";
    }
    if (!scan.definitionsPresent()) {
        console.err << "SorvaneCmd scan: " << scan.application.message("MSG_MISSING") << " ("
                    << scan.application.applicationFolder() << ")\n";
        return ExitError;
    }

    host.yieldHook = [&progress] { progress.yielded(); };
    scan.run();

    console.out << (json ? scan::ScanResultsJson(scan.session) : scan::ScanResultsText(scan.session));
    if (!report::ReportWritten(reportWritten, scan.application, "scan", console.err)) return ExitError;
    // A process the scan stopped is a threat found, though it leaves nothing to remove.
    const bool found = scan.session.state.threatsFound > 0 || scan.session.findings.anyRemovalRow();
    return found ? ExitFound : ExitClean;
}

}  // namespace sorvane::cli
