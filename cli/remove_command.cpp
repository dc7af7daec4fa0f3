#include <algorithm>
#include <optional>
#include <istream>
#include <ostream>
#include <utility>

#include "cli/commands_list.h"
#include "cli/scan_scope.h"
#include "platform/text.h"
#include "removal/removal_feature.h"
#include "removal/removal_choice.h"
#include "removal/removal_run.h"
#include "report/console_report.h"
#include "report/data_submission.h"
#include "scan/console_scan.h"
#include "ui/headless/headless_host.h"

namespace sorvane::cli {
namespace {

struct RemoveOptions {
    bool yes = false;
    bool sendData = false;
    std::vector<std::string> only;
    std::optional<bool> complete;
};

bool parseOptions(std::span<const std::string> args, RemoveOptions& options, std::ostream& err) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--yes") {
            options.yes = true;
        } else if (args[i] == "--send-data") {
            options.sendData = true;
        } else if (args[i] == "--only" && i + 1 < args.size()) {
            options.only.push_back(args[++i]);
        } else if (ParseScanScope(args[i], options.complete)) {
            continue;
        } else {
            err << "SorvaneCmd remove: unexpected argument '" << args[i] << "'\n"
                << "Usage: SorvaneCmd remove [--yes] [--send-data] [--quick|--complete] [--only TEXT ...]\n";
            return false;
        }
    }
    return true;
}

// The console's side of a run: it prints the outcomes once the run is over, and tells when
// the running programs' names were sent.
class ConsoleRemoval final : public removal::RemovalObserver {
public:
    ConsoleRemoval(platform::Platform& platform, ui::Host& host, Console& console, bool sendData)
        : platform_(platform), host_(host), console_(console), sendData_(sendData) {}

    // Nothing is printed while the run works: the outcomes say it all at the end.
    void runStarted() override {}
    void statusChanged(std::string_view) override {}
    void passStarted(bool) override {}
    void itemStarted(std::size_t, const scan::Finding&, std::string_view) override {}
    void outcomeRecorded(std::size_t, const scan::Finding&, const removal::RemovalOutcome&) override {}
    void passFinished(std::size_t) override {}
    // A console run reports the loaded programs only when its command line asks for it, whatever
    // the window's stored choice: nothing leaves the machine unseen from a script.
    void runFinished(const removal::RemovalTotals&) override {
        if (!sendData_) return;
        report::SendProcessList(platform_, host_);
        console_.out << "Sent the names of the running programs to the collection server.\n";
    }

private:
    platform::Platform& platform_;
    ui::Host& host_;
    Console& console_;
    bool sendData_;
};

bool confirmed(const std::string& question, Console& console) {
    console.out << text::replaceAll(question, "\r\n", "\n") << "\n\nRemove the checked items? [y/N] " << std::flush;
    std::string answer;
    if (!std::getline(console.in, answer)) return false;
    answer = text::toLower(text::trim(answer));
    return answer == "y" || answer == "yes";
}

}  // namespace

int runRemove(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    RemoveOptions options;
    if (!parseOptions(args, options, console.err)) return ExitError;

    // The same scan as "SorvaneCmd scan" runs, over the files beside the executable.
    ui::HeadlessHost host;
    // Nothing is shown while the scan runs: the choice below reads its findings.
    scan::SilentScanObserver unseen;
    scan::ConsoleScan scan(platform, host, unseen);
    auto& application = scan.application;
    auto& session = scan.session;
    scan.chooseScope(options.complete);
    report::ReportWrite reportWritten;
    report::InstallConsoleReport(scan, reportWritten);
    if (!scan.definitionsPresent()) {
        console.err << "SorvaneCmd remove: " << application.message("MSG_MISSING") << " ("
                    << application.applicationFolder() << ")\n";
        return ExitError;
    }
    scan.run();
    const bool reportSaved = report::ReportWritten(reportWritten, application, "remove", console.err);

    // The rows of the results list the command line names (all of them without --only), as
    // the scan found them.
    std::vector<bool> matched(options.only.size(), false);
    std::vector<const scan::Finding*> chosen;
    for (const auto& finding : session.findings) {
        if (!finding.removal) continue;
        const auto& rowText = finding.removal->text;
        const auto hit = std::find_if(options.only.begin(), options.only.end(),
                                      [&rowText](const std::string& wanted) { return wanted == rowText; });
        if (!options.only.empty() && hit == options.only.end()) continue;
        if (hit != options.only.end()) matched[static_cast<std::size_t>(hit - options.only.begin())] = true;
        chosen.push_back(&finding);
    }
    for (std::size_t i = 0; i < options.only.size(); ++i)
        if (!matched[i]) console.err << "Not found by the scan: " << options.only[i] << "\n";

    removal::RemovalRun run(platform, host, removal::RemovalHooksOf(application), application.branding.ProgramName);
    const int untouched = reportSaved ? ExitClean : ExitError;
    if (chosen.empty()) {
        console.out << "Nothing to remove.\n";
        return untouched;
    }
    if (!options.yes && !confirmed(run.confirmationText(), console)) {
        console.out << "Nothing was removed.\n";
        return untouched;
    }

    ConsoleRemoval progress(platform, host, console, options.sendData);
    const auto& outcomes = run.run(removal::TiedTraces(session.findings, chosen), progress, false);

    // Causes that only more rights can mend: the run needs an administrator, not another try.
    const std::string denied = application.message("MSG_ERR_DENIED");
    std::size_t named = 0;
    std::size_t resisted = 0;
    bool refusedRights = false;
    for (const auto& outcome : outcomes) {
        if (!outcome.named()) continue;
        ++named;
        const bool left = !outcome.removed();
        resisted += left ? 1 : 0;
        console.out << (left ? "Not removed: " : "Removed: ") << outcome.shown;
        if (left && !outcome.cause.empty()) {
            console.out << " (" << outcome.cause << ")";
            refusedRights = refusedRights || outcome.refusal == removal::RefusalReason::NeedsAdministrator ||
                            outcome.cause == denied;
        }
        console.out << "\n";
    }
    console.out << (named - resisted) << " removed, " << resisted << " not removed. Quarantine: "
                << run.quarantine().folder() << "\n";
    if (const auto point = run.restorePointText(); !point.empty()) console.out << point << "\n";
    if (refusedRights) console.err << "SorvaneCmd remove: " << denied << "\n";
    if (refusedRights || !reportSaved) return ExitError;
    return resisted == 0 ? ExitClean : ExitFound;
}

}  // namespace sorvane::cli
