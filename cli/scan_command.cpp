#include <ostream>

#include "cli/commands_list.h"
#include "cli/scan_scope.h"
#include "report/console_report.h"
#include "scan/console_scan.h"
#include "scan/scan_results.h"
#include "ui/headless/headless_host.h"
#include "update/apply_update.h"

namespace sorvane::cli {

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
    auto& view = scan.session.view;
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

    // One progress line on stderr whenever the phase caption changes: at the start of every
    // phase, and as the caption changes within one (the drives of a complete scan).
    std::string shown;
    scan.session.hooks.phaseStarted = [&](const std::string& caption) {
        shown = caption;
        console.err << caption << "\n" << std::flush;
    };
    host.yieldHook = [&] {
        const auto& caption = view.lblPercentageCompleted.caption();
        if (caption != shown && caption != "0") {
            shown = caption;
            console.err << caption << "\n" << std::flush;
        }
    };
    scan.run();

    console.out << (json ? scan::ScanResultsJson(scan.session) : scan::ScanResultsText(scan.session));
    if (!report::ReportWritten(reportWritten, scan.application, "scan", console.err)) return ExitError;
    // A process the scan stopped is a threat found, though it leaves nothing to remove.
    const bool found = scan.session.state.threatsFound > 0 || scan.session.findings.anyRemovalRow();
    return found ? ExitFound : ExitClean;
}

}  // namespace sorvane::cli
