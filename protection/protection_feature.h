#pragma once
#include "app/application.h"
#include "definitions/exclusions.h"
#include "protection/home_page.h"
#include "protection/memory_shield.h"
#include "protection/protection_status.h"
#include "protection/scheduler.h"
#include "scan/main_window_scan.h"

namespace sorvane::protection {

// The real-time protection and the scheduler as the main window runs them: the memory
// shield, the home-page shield and the scan scheduler, on the window's three timers.
class ProtectionFeature {
public:
    ProtectionFeature(app::Application& app, scan::MainWindowScan& scan, definitions::ExclusionList& exclusions);
    ProtectionFeature(const ProtectionFeature&) = delete;
    ProtectionFeature& operator=(const ProtectionFeature&) = delete;

    // Plugs the three ticks, the schedule page and the shield's alert into the window and
    // the scan; call before the main window loads.
    void install();

private:
    BackgroundHold hold_;

public:
    MemoryShield memory;
    HomePageShield homePage;
    ScanScheduler scheduler;
    ProtectionStatus status;

private:
    app::Application& app_;
    scan::MainWindowScan& scan_;
};

}  // namespace sorvane::protection
