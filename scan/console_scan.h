#pragma once
#include <optional>

#include "app/application.h"
#include "definitions/exclusions.h"
#include "scan/scan_session.h"

namespace sorvane::scan {

// The user's exclusion list, kept in the application folder.
definitions::ExclusionList ApplicationExclusions(app::Application& application);

// A whole scan without a window, as the console program runs it: the branding, catalogue
// and settings of the application and the exclusions beside the executable; the observer
// hears of every step.
class ConsoleScan {
public:
    ConsoleScan(platform::Platform& platform, ui::Host& host, ScanObserver& observer);

    app::Application application;
    definitions::ExclusionList exclusions;
    ScanSession session;

    // The scope of the console's scans: the one asked for on the command line, else the one
    // the settings hold, else the quick scan (a profile the window never used must not
    // have every drive swept).
    void chooseScope(std::optional<bool> complete);
    // False when a definition file is missing; no scan can run then.
    bool definitionsPresent();
    // The drives the settings tick, then "Start".
    void run();
};

}  // namespace sorvane::scan
