#include <algorithm>
#include <optional>
#include <istream>
#include <ostream>
#include <utility>

#include "cli/commands_list.h"
#include "cli/scan_scope.h"
#include "definitions/records.h"
#include "platform/text.h"
#include "removal/removal_feature.h"
#include "removal/removal_run.h"
#include "report/console_report.h"
#include "report/data_submission.h"
#include "scan/console_scan.h"
#include "scan/cookie_store.h"
#include "scan/result_rows.h"
#include "scan/results_page.h"
#include "scan/scan_window.h"
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

// One checked work row, remembered before the run so that afterwards each can be
// looked up again to tell removed from resisted.
struct Target {
    enum class Kind { File, Value, Key, Cookie } kind;
    std::string shown;
    platform::RootKey root{};
    std::string key;
    std::string value;
};

std::vector<Target> checkedTargets(const removal::RemovalView& view) {
    std::vector<Target> targets;
    for (const auto& row : view.lvwFilesToBeDeleted.items())
        if (row.checked) targets.push_back({Target::Kind::File, row.text, {}, {}, {}});
    for (const auto& row : view.lvwRegistryToBeDeleted.items()) {
        if (!row.checked) continue;
        const auto trace = scan::ReadRegistryTraceRow(row);
        const auto root = trace.root();
        const std::string key = text::trim(trace.key);
        const std::string value = text::trim(trace.value);
        if (!root || key.empty()) continue;
        const std::string shown =
            std::string(definitions::CurrentHiveName(*root)) + "\\" + key + (value.empty() ? "" : "\\" + value);
        targets.push_back({value.empty() ? Target::Kind::Key : Target::Kind::Value, shown,
                           *root, key, value});
    }
    for (const auto& row : view.lvwCookiesToDelete.items())
        if (row.checked) targets.push_back({Target::Kind::Cookie, row.text, {}, {}, {}});
    return targets;
}

bool stillThere(platform::Platform& platform, const Target& target) {
    switch (target.kind) {
    case Target::Kind::Cookie:
        if (const auto store = scan::SplitCookieStoreLocation(target.shown)) {
            // A browser's rows: still there while any cookie of the host is, or while the
            // browser holds the store.
            const auto reading = scan::ReadCookieStoreHosts(store->first);
            return reading.access == scan::StoreAccess::InUse ||
                   std::find(reading.hosts.begin(), reading.hosts.end(), store->second) != reading.hosts.end();
        }
        return platform.files.lookup(target.shown).has_value();
    case Target::Kind::File:
        return platform.files.lookup(target.shown).has_value();
    case Target::Kind::Value: {
        platform::RegistryValue out;
        return platform.registry.queryValue(target.root, target.key, target.value, platform::access::QueryValue, out)
            .ok();
    }
    case Target::Kind::Key:
        return platform.registry.openKey(target.root, target.key, platform::access::QueryValue).ok();
    }
    return false;
}

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
    // The removal run still works through the results lists: until it takes the findings,
    // this command fills a window of them as the scan goes.
    scan::ScanWindow window(host);
    window.load();
    auto view = *scan::ScanView::bind(window);
    scan::ScanViewObserver shown(view, host);
    scan::ConsoleScan scan(platform, host, shown);
    auto& application = scan.application;
    scan.chooseScope(options.complete);
    report::ReportWrite reportWritten;
    report::InstallConsoleReport(scan, reportWritten);
    auto removalView = removal::bindRemovalView(window);
    if (!removalView) {
        console.err << "SorvaneCmd remove: the results window is incomplete\n";
        return ExitError;
    }
    if (!scan.definitionsPresent()) {
        console.err << "SorvaneCmd remove: " << application.message("MSG_MISSING") << " ("
                    << application.applicationFolder() << ")\n";
        return ExitError;
    }
    scan.run();
    const bool reportSaved = report::ReportWritten(reportWritten, application, "remove", console.err);

    auto& results = removalView->lvwPicRemoveListOfSpywareFoundAndToBeRemoved;
    std::vector<bool> matched(options.only.size(), false);
    std::vector<std::size_t> chosen;
    for (std::size_t row = 0; row < results.count(); ++row) {
        const auto& rowText = results.item(row).text;
        const auto hit = std::find_if(options.only.begin(), options.only.end(),
                                      [&rowText](const std::string& wanted) { return wanted == rowText; });
        if (!options.only.empty() && hit == options.only.end()) continue;
        if (hit != options.only.end()) matched[static_cast<std::size_t>(hit - options.only.begin())] = true;
        results.setChecked(row, true);
        chosen.push_back(row);
    }
    scan::TieWorkRows(view, chosen, true);
    for (std::size_t i = 0; i < options.only.size(); ++i)
        if (!matched[i]) console.err << "Not found by the scan: " << options.only[i] << "\n";

    removal::FrmDelete problems(host, platform.clipboard);
    auto removalHooks = removal::RemovalHooksOf(application);
    // A console run reports the loaded programs only when its command line asks for it, whatever
    // the window's stored choice: nothing leaves the machine unseen from a script.
    if (removalView->chkSendData) removalView->chkSendData->setValue(options.sendData ? 1 : 0);
    removalHooks.sendProcessList = [&platform, &host, &console] {
        report::SendProcessList(platform, host);
        console.out << "Sent the names of the running programs to the collection server.\n";
    };
    removal::RemovalRun run(platform, host, *removalView, problems, std::move(removalHooks),
                            application.branding.ProgramName);
    const int untouched = reportSaved ? ExitClean : ExitError;
    if (!run.anyRowChecked()) {
        console.out << "Nothing to remove.\n";
        return untouched;
    }
    if (!options.yes && !confirmed(run.confirmationText(), console)) {
        console.out << "Nothing was removed.\n";
        return untouched;
    }

    const auto targets = checkedTargets(*removalView);
    run.start();

    // Causes that only more rights can mend: the run needs an administrator, not another try.
    const std::string denied[] = {application.message("MSG_ERR_DENIED"), application.message("MSG_NEEDS_ADMIN")};
    std::size_t resisted = 0;
    bool refusedRights = false;
    for (const auto& target : targets) {
        const bool left = stillThere(platform, target);
        resisted += left ? 1 : 0;
        console.out << (left ? "Not removed: " : "Removed: ") << target.shown;
        // The cause the run gave, where it knew one.
        for (const auto& problem : problems.lstProblem.items()) {
            if (!left || problem.text != target.shown || problem.subItem(1).empty()) continue;
            console.out << " (" << problem.subItem(1) << ")";
            refusedRights = refusedRights || std::ranges::find(denied, problem.subItem(1)) != std::end(denied);
        }
        console.out << "\n";
    }
    console.out << (targets.size() - resisted) << " removed, " << resisted << " not removed. Quarantine: "
                << run.quarantine().folder() << "\n";
    if (const auto point = run.restorePointText(); !point.empty()) console.out << point << "\n";
    if (refusedRights) console.err << "SorvaneCmd remove: " << application.message("MSG_ERR_DENIED") << "\n";
    if (refusedRights || !reportSaved) return ExitError;
    return resisted == 0 ? ExitClean : ExitFound;
}

}  // namespace sorvane::cli
