#include <ostream>

#include "app/application.h"
#include "cli/commands_list.h"
#include "definitions/exclusions.h"
#include "scan/drive_list.h"
#include "scan/main_window_scan.h"
#include "scan/scan_driver.h"
#include "scan/scan_results.h"
#include "scan/scan_window.h"
#include "ui/headless/headless_host.h"

namespace sorvane::cli {

// A whole scan as "Start" runs it, over the definitions, settings and exclusions beside
// the executable, with the results printed instead of shown.
int runScan(platform::Platform& platform, std::span<const std::string> args, Console& console) {
    bool json = false;
    for (const auto& arg : args) {
        if (arg == "--json") {
            json = true;
        } else {
            console.err << "SorvaneCmd scan: unknown argument \"" << arg << "\"\n"
                        << "usage: SorvaneCmd scan [--json]\n";
            return ExitError;
        }
    }

    ui::HeadlessHost host;
    app::Application application(platform, host);
    application.InitBranding();
    localization::LoadDefaultMessages(application.messages);
    const std::string folder = platform.environment.applicationFolder();
    definitions::ExclusionList exclusions(platform.files, platform.locale,
                                          definitions::DefinitionPath(folder, definitions::ExclusionFile));
    exclusions.LoadExclusions();

    scan::ScanWindow window(host);
    auto view = scan::ScanView::bind(window);
    scan::ScanSession session(platform, host, *view, exclusions, scan::AppAccessOf(application), {}, folder);
    if (!scan::DefinitionFilesPresent(session)) {
        console.err << "SorvaneCmd scan: " << application.message("MSG_MISSING") << " (" << folder << ")\n";
        return ExitError;
    }
    scan::FillDriveList(*view->lvwHardDrives, platform.files);
    scan::LoadDriveTicks(*view->lvwHardDrives, session.app.readSetting);

    // One progress line on stderr whenever the phase caption changes.
    std::string shown;
    host.yieldHook = [&] {
        const auto& caption = view->lblPercentageCompleted.caption();
        if (caption != shown && caption != "0") {
            shown = caption;
            console.err << caption << "\n" << std::flush;
        }
    };
    scan::cmdScanNow_Click(session);

    console.out << (json ? scan::ScanResultsJson(session) : scan::ScanResultsText(session));
    return view->lvwPicRemoveListOfSpywareFoundAndToBeRemoved.empty() ? ExitClean : ExitFound;
}

}  // namespace sorvane::cli
