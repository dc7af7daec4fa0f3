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

// The scan's progress on stderr: a line whenever the phase caption changes, at the start of
// every phase, and as it changes within one (the drives of a complete scan) once the scan
// next lets events run. The results still fill the console's window, which the scan reads.
class ConsoleProgress : public scan::ScanViewObserver {
public:
    ConsoleProgress(scan::ScanView& view, std::ostream& err) : ScanViewObserver(view), err_(err) {}

    void phaseStarted(const std::string& caption) override {
        ScanViewObserver::phaseStarted(caption);
        caption_ = caption;
        show();
    }
    void phaseCaptionChanged(const std::string& caption) override {
        ScanViewObserver::phaseCaptionChanged(caption);
        caption_ = caption;
    }
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

    ui::HeadlessHost host;
    scan::ConsoleScan scan(platform, host);
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

    ConsoleProgress progress(scan.session.view, console.err);
    scan.session.observeWith(progress);
    host.yieldHook = [&progress] { progress.yielded(); };
    scan.run();

    console.out << (json ? scan::ScanResultsJson(scan.session) : scan::ScanResultsText(scan.session));
    if (!report::ReportWritten(reportWritten, scan.application, "scan", console.err)) return ExitError;
    // A process the scan stopped is a threat found, though it leaves nothing to remove.
    const bool found = scan.session.state.threatsFound > 0 || scan.session.findings.anyRemovalRow();
    return found ? ExitFound : ExitClean;
}

}  // namespace sorvane::cli
